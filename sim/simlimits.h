#pragma once

#include <array>

// Every limit and timing of the simulated module, in one place. These are the
// module's own choices: the program only relies on the error codes they produce.
namespace SimLimits {

// A command line, without CR LF and with any remote suffix, longer than this is
// refused with ERR=11. Bytes past it are not even kept, so a peer that never sends
// CR LF cannot make the module grow without bound.
constexpr int kMaxLineLength = 256;
// One parameter that is not free text (number, letter, mode, address, EPID, join
// time) longer than this: ERR=16.
constexpr int kMaxParameterLength = 32;
// Node descriptor ("AT+WNODE"), in bytes: longer gives ERR=24, empty ERR=21 (an
// empty descriptor could not be read back or reported by a scan).
constexpr int kMaxDescriptorLength = 16;
// Packet data of "AT+SEND", in bytes: longer gives ERR=100, empty ERR=21.
constexpr int kMaxPacketDataLength = 80;

constexpr int kMinScanSeconds = 1;
constexpr int kMaxScanSeconds = 255;
constexpr int kMinChannel = 11;
constexpr int kMaxChannel = 26;
constexpr int kMaxJoinTime = 255; // seconds; 255 keeps joining open
constexpr int kMinPwmFrequency = 20;
constexpr int kMaxPwmFrequency = 10000;
constexpr int kMaxPwmDuty = 100;
// Sampling intervals are whole seconds.
constexpr int kMinSampleInterval = 1;
constexpr int kMaxSampleInterval = 65535;
constexpr int kMaxNetAddress = 0xFFFF;

constexpr std::array<int, 5> kIoLines = {9, 10, 14, 15, 17};
constexpr int kAdcChannels = 4;
constexpr int kPwmChannels = 3;
constexpr int kDescriptors = 4;

// The module keeps this many received lines for inspection; older ones are
// forgotten so that a console repeating a command overnight costs bounded memory.
constexpr int kMaxRecordedLines = 10000;

// Output waiting for the line (paced slowly, sampling fast) is bounded like a
// module's transmit buffer: what does not fit is lost.
constexpr int kMaxOutputBacklog = 64 * 1024;

// Timing defaults (milliseconds). Every one of them can be changed through SimModule.
constexpr int kDefaultLocalLatencyMs = 10;
constexpr int kDefaultRemoteLatencyMs = 120;
// A remote command for an address nobody answers: ERR=71 (network address, the
// module waited in vain) or ERR=70 (MAC address, no route) after this delay. Well
// below the program's 5500 ms step time-out for a remote node.
constexpr int kDefaultRemoteFailDelayMs = 1500;
// A node told to answer a command late answers this much later than usual: after the
// program's longest step time-out (5500 ms, a remote node).
constexpr int kDefaultLateReplyMs = 6000;
// Replies to a broadcast come back one node after the other, this far apart.
constexpr int kBroadcastStaggerMs = 25;
// Pause between the pieces of a split reply, so that they arrive as separate reads.
constexpr int kSplitGapMs = 20;
// Pacing granularity when the output is paced at a baud rate.
constexpr int kPacedTickMs = 1;
// Exact pacing: the end of a burst is waited for awake for this long, not asleep.
constexpr int kPacedAwakeUs = 100;
// Bits on the line per byte when pacing: start bit, 8 data bits, stop bit.
constexpr int kBitsPerByte = 10;

} // namespace SimLimits

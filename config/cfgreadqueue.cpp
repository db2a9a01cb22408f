#include "config/cfgreadqueue.h"

#include "at/commands.h"
#include "at/replygrammar.h"
#include "config/cfgreply.h"
#include "peripherals/families.h"

namespace CfgReadQueue {
namespace {

using CfgReply::toIntOrZero;
using Fields = QStringList;
using Reply::Form;

QString name(const char *text)
{
    return QString::fromLatin1(text);
}

QString descriptorName(int index)
{
    return QStringLiteral("lineEdit_DESC%1").arg(index);
}

} // namespace

CfgCmdQueue build(const Sink &sink)
{
    CfgCmdQueue queue;
    const auto set = sink.set;
    const auto remote = sink.remote;
    const auto show = [show = sink.show](int page) {
        if (page != NoPage && show)
            show(page);
    };

    // A one-line reply of `form`; `apply` sets the fields, or refuses them without setting
    // any, to have the query sent again.
    const auto single = [=](Form form, int page,
                            std::function<bool(const Fields &)> apply) -> CfgCmdHandler {
        return [=](const QString &line, bool *done) {
            const auto fields = Reply::match(form, line, remote());
            if (!fields)
                return false;
            show(page);
            if (!apply(*fields))
                return false;
            *done = true;
            return true;
        };
    };
    const auto text = [=](const QString &field, int page = NoPage) {
        return single(Form::Value, page, [=](const Fields &f) {
            set(field, f.at(0));
            return true;
        });
    };
    // A number the form can only show within [low, high], the box's first item.
    const auto ranged = [=](const char *field, int low, int high) {
        return single(Form::Value, NoPage, [=](const Fields &f) {
            const auto value = CfgReply::rangedInt(f.at(0), low, high);
            if (value)
                set(name(field), *value - low);
            return value.has_value();
        });
    };
    // A node whose network has not started answers "ERR=60" instead of a value.
    const auto orNetworkDown = [=](const char *field, QString substitute) {
        const CfgCmdHandler handler = text(name(field));
        return CfgCmdHandler([=](const QString &line, bool *done) {
            if (handler(line, done))
                return true;
            if (!CfgReply::isNetworkNotStarted(line))
                return false;
            set(name(field), substitute);
            *done = true;
            return true;
        });
    };
    // A list reply: rows of `rowForm`, then the closing success line. `pick` names the
    // form position of a row's IO line or channel (-1 refuses the row), `fill` sets it.
    const auto list = [=](Form rowForm, int page, std::function<int(const Fields &)> pick,
                          std::function<void(int, const Fields &)> fill) -> CfgCmdHandler {
        return [=](const QString &line, bool *done) {
            const CfgReply::ListLine l = CfgReply::listLine(rowForm, line, remote());
            if (l.kind == CfgReply::ListLine::Closing) {
                *done = true;
                return true;
            }
            if (l.kind != CfgReply::ListLine::Row)
                return false;
            const int slot = pick(l.fields);
            if (slot < 0)
                return false;
            show(page);
            fill(slot, l.fields);
            *done = false;
            return true;
        };
    };
    const auto add = [&queue](const QString &cmd, CfgCmdHandler handler) {
        queue.append(CfgCmd{cmd, std::move(handler)});
    };

    add(Command::info(), text(name("lineEdit_devicePart"), BasePage));
    add(Command::version(), text(name("lineEdit_deviceSoftwareVer")));
    add(Command::query("TYP"), single(Form::Value, NoPage, [=](const Fields &f) {
            // A type the form does not offer is still a valid answer.
            if (const auto index = CfgReply::deviceTypeIndex(f.at(0)))
                set(name("comboBox_deviceType"), *index);
            return true;
        }));
    add(Command::query("NID"), orNetworkDown("lineEdit_deviceNid", QStringLiteral("0xFFFE")));
    add(Command::query("MID"), text(name("lineEdit_deviceMid")));
    add(Command::query("NS"), text(name("lineEdit_deviceRunState")));
    add(Command::query("UART"), single(Form::Value5, NoPage, [=](const Fields &f) {
            const CfgReply::UartIndexes u = CfgReply::uartIndexes(f);
            set(name("comboBox_deviceBps"), u.baud);
            set(name("comboBox_deviceDataBit"), u.dataBits);
            set(name("comboBox_deviceParBit"), u.parity);
            set(name("comboBox_deviceStopBit"), u.stopBits);
            set(name("comboBox_deviceFlow"), u.flow);
            return true;
        }));
    add(Command::query("DFWM"), single(Form::Digit, NoPage, [=](const Fields &f) {
            set(name("comboBox_defaultWorkMode"), toIntOrZero(f.at(0)));
            return true;
        }));
    add(Command::query("EPID"), text(name("lineEdit_EPID"), NetworkPage));
    add(Command::query("JOINT"), text(name("lineEdit_joinTime")));
    add(Command::query("TID"), single(Form::Value2, NoPage, [=](const Fields &f) {
            // The mode first: its change refills the address list.
            set(name("comboBox_TID_AM"), CfgReply::twoModeIndex(f.at(0)));
            set(name("comboBox_TID_ADDR"), f.at(1));
            return true;
        }));
    add(Command::query("LQI"), orNetworkDown("lineEdit_LQI", QStringLiteral("0")));
    add(Command::query("CH"), ranged("comboBox_CH", 11, 26));
    add(Command::query("NLOCK"), ranged("comboBox_netLock", 0, 1));
    add(Command::query("NASTA"), ranged("comboBox_autoNet", 0, 1));
    for (int i = 1; i <= 4; ++i)
        add(Command::readDescriptor(i), text(descriptorName(i)));

    const auto ioRow = [](int field) {
        return [field](const Fields &f) {
            return CfgReply::ioSlot(toIntOrZero(f.at(field)));
        };
    };
    const auto io = [](int slot) {
        return Family::ioNames(Family::kIoLines.at(size_t(slot)));
    };
    add(Command::query("IOSET"), list(Form::Row2, IoPage, ioRow(0), [=](int slot, const Fields &f) {
            const bool output = toIntOrZero(f.at(1)) != 0;
            // The checked one last: unchecking one of an exclusive pair does nothing.
            set(output ? io(slot).input : io(slot).output, false);
            set(output ? io(slot).output : io(slot).input, true);
        }));
    for (const int line : Family::kIoLines) {
        const Family::IoNames n = Family::ioNames(line);
        add(Command::readIo(line), single(Form::Value, NoPage, [=](const Fields &f) {
                set(n.curInput, f.at(0));
                set(n.level, toIntOrZero(f.at(0)));
                return true;
            }));
    }
    add(Command::query("TPIO"),
        list(
            Form::Row4, NoPage,
            [](const Fields &f) {
                // The target line must be one the form can show, too.
                const int slot = CfgReply::ioSlot(toIntOrZero(f.at(0)));
                return CfgReply::ioSlot(toIntOrZero(f.at(1))) < 0 ? -1 : slot;
            },
            [=](int slot, const Fields &f) {
                const Family::IoNames n = io(slot);
                set(n.tpio, true);
                set(n.tpioTargetLine, CfgReply::ioSlot(toIntOrZero(f.at(1))));
                set(n.tpioMode, CfgReply::twoModeIndex(f.at(2)));
                set(n.tpioAddress, f.at(3));
            }));
    // A sampling row of an IO line or ADC channel: number, interval, mode, address.
    const auto sampling = [=](const QString &on, const QString &interval, const QString &mode,
                              const QString &address, const Fields &f) {
        set(on, true);
        set(interval, f.at(2));
        set(mode, CfgReply::samplingModeIndex(f.at(3)));
        set(address, f.at(4));
    };
    add(Command::query("IOSMP"), list(Form::Row5, NoPage, ioRow(1), [=](int slot, const Fields &f) {
            const Family::IoNames n = io(slot);
            sampling(n.sample, n.sampleInterval, n.sampleMode, n.sampleAddress, f);
        }));

    for (int c = 1; c <= Family::kAdcChannels; ++c)
        add(Command::readAdc(c), text(Family::adcNames(c).value, c == 1 ? AdPage : NoPage));
    const auto channelRow = [](int count) {
        return [count](const Fields &f) {
            return CfgReply::channelSlot(toIntOrZero(f.at(1)), count);
        };
    };
    add(Command::query("ADCSMP"),
        list(Form::Row5, NoPage, channelRow(Family::kAdcChannels), [=](int slot, const Fields &f) {
            const Family::AdcNames n = Family::adcNames(slot + 1);
            sampling(n.sample, n.interval, n.mode, n.address, f);
        }));
    add(Command::query("PWM"),
        list(Form::Row4, PwmPage, channelRow(Family::kPwmChannels), [=](int slot, const Fields &f) {
            const Family::PwmNames n = Family::pwmNames(slot + 1);
            set(n.on, true);
            set(n.frequency, f.at(2));
            set(n.slider, toIntOrZero(f.at(3)));
        }));
    return queue;
}

CfgValues listDefaults()
{
    CfgValues v;
    for (const int line : Family::kIoLines) {
        const Family::IoNames n = Family::ioNames(line);
        v.insert(n.input, true);
        v.insert(n.output, false);
        v.insert(n.tpio, false);
        v.insert(n.sample, false);
    }
    for (int c = 1; c <= Family::kAdcChannels; ++c)
        v.insert(Family::adcNames(c).sample, false);
    for (int p = 1; p <= Family::kPwmChannels; ++p)
        v.insert(Family::pwmNames(p).on, false);
    return v;
}

QList<Field> writtenFields(const CfgValues &written)
{
    QList<Field> out;
    const auto add = [&out](const QString &field, const QString &label) {
        out.append({field, label});
    };
    const auto on = [&written](const QString &field) {
        return written.value(field).toBool();
    };
    add(name("comboBox_deviceType"), name("TYP"));
    add(name("comboBox_deviceBps"), name("IPR"));
    add(name("comboBox_deviceDataBit"), name("DBIT"));
    add(name("comboBox_deviceParBit"), name("PAR"));
    add(name("comboBox_deviceStopBit"), name("STO"));
    add(name("comboBox_deviceFlow"), name("IFC"));
    add(name("lineEdit_EPID"), name("EPID"));
    add(name("lineEdit_joinTime"), name("JOINT"));
    add(name("comboBox_TID_AM"), name("TID mode"));
    add(name("comboBox_TID_ADDR"), name("TID address"));
    add(name("comboBox_CH"), name("CH"));
    add(name("comboBox_netLock"), name("NLOCK"));
    add(name("comboBox_autoNet"), name("NASTA"));
    for (int i = 1; i <= 4; ++i)
        add(descriptorName(i), QStringLiteral("WNODE %1").arg(i));
    for (const int line : Family::kIoLines) {
        const Family::IoNames n = Family::ioNames(line);
        const QString io = QString::number(line);
        add(n.output, QStringLiteral("IOSET ") + io);
        // A level only goes out for an output.
        if (on(n.output))
            add(n.level, QStringLiteral("IOOUT ") + io);
    }
    for (const int line : Family::kIoLines) {
        const Family::IoNames n = Family::ioNames(line);
        const QString io = QString::number(line);
        add(n.tpio, QStringLiteral("TPIO ") + io);
        // A group that is off is sent as off alone: its other fields stay what they were.
        if (on(n.tpio)) {
            add(n.tpioTargetLine, QStringLiteral("TPIO %1 target IO").arg(io));
            add(n.tpioMode, QStringLiteral("TPIO %1 mode").arg(io));
            add(n.tpioAddress, QStringLiteral("TPIO %1 address").arg(io));
        }
    }
    for (const int line : Family::kIoLines) {
        const Family::IoNames n = Family::ioNames(line);
        const QString io = QString::number(line);
        add(n.sample, QStringLiteral("IOSMP ") + io);
        if (on(n.sample)) {
            add(n.sampleInterval, QStringLiteral("IOSMP %1 interval").arg(io));
            add(n.sampleMode, QStringLiteral("IOSMP %1 mode").arg(io));
            add(n.sampleAddress, QStringLiteral("IOSMP %1 address").arg(io));
        }
    }
    for (int c = 1; c <= Family::kAdcChannels; ++c) {
        const Family::AdcNames n = Family::adcNames(c);
        add(n.sample, QStringLiteral("ADCSMP %1").arg(c));
        if (on(n.sample)) {
            add(n.interval, QStringLiteral("ADCSMP %1 interval").arg(c));
            add(n.mode, QStringLiteral("ADCSMP %1 mode").arg(c));
            add(n.address, QStringLiteral("ADCSMP %1 address").arg(c));
        }
    }
    for (int p = 1; p <= Family::kPwmChannels; ++p) {
        const Family::PwmNames n = Family::pwmNames(p);
        add(n.on, QStringLiteral("PWM %1").arg(p));
        if (on(n.on)) {
            add(n.frequency, QStringLiteral("PWM %1 frequency").arg(p));
            add(n.slider, QStringLiteral("PWM %1 duty").arg(p));
        }
    }
    return out;
}

QList<Difference> differences(const CfgValues &written, const CfgValues &read)
{
    QList<Difference> out;
    for (const Field &f : writtenFields(written)) {
        const QVariant w = written.value(f.name);
        const QVariant r = read.value(f.name);
        if (!r.isValid() || w != r)
            out.append({f, w, r});
    }
    return out;
}

} // namespace CfgReadQueue

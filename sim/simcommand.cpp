#include "sim/simcommand.h"

#include "sim/simlimits.h"

namespace SimParse {

int checkLine(const QByteArray &line)
{
    if (line.isEmpty())
        return 12;
    if (line.size() > SimLimits::kMaxLineLength)
        return 11;
    for (const char c : line) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x20 || b == 0x7F)
            return 13;
    }
    if (!line.startsWith("AT"))
        return 10;
    return 0;
}

void splitRemote(const QByteArray &line, QByteArray *command, SimRemote *remote)
{
    const qsizetype nid = line.lastIndexOf(">NID,");
    const qsizetype mid = line.lastIndexOf(">MID,");
    const qsizetype at = qMax(nid, mid);
    if (at < 0) {
        *command = line;
        *remote = SimRemote();
        return;
    }
    *command = line.left(at);
    remote->mode = at == nid ? SimRemote::Net : SimRemote::Mac;
    remote->address = line.mid(at + 5);
}

int parseCommand(const QByteArray &command, SimCommand *out)
{
    *out = SimCommand();
    if (command == "AT")
        return 0;
    if (!command.startsWith("AT+"))
        return 15;
    qsizetype end = 3;
    while (end < command.size() && command.at(end) != '=' && command.at(end) != '?')
        ++end;
    out->word = command.mid(3, end - 3);
    if (out->word.isEmpty())
        return 12;
    for (const char c : std::as_const(out->word)) {
        if (c < 'A' || c > 'Z')
            return 14;
    }
    if (end == command.size()) {
        out->form = SimCommand::Execute;
    } else if (command.at(end) == '?') {
        if (end + 1 != command.size())
            return 22;
        out->form = SimCommand::Query;
    } else if (command.mid(end) == "=?") {
        out->form = SimCommand::Test;
    } else {
        out->form = SimCommand::Set;
        out->params = command.mid(end + 1);
    }
    return 0;
}

QList<QByteArray> splitParams(const QByteArray &params, int maxParts)
{
    QList<QByteArray> parts;
    qsizetype from = 0;
    while (true) {
        if (maxParts > 0 && parts.size() == maxParts - 1) {
            parts.append(params.mid(from));
            break;
        }
        const qsizetype comma = params.indexOf(',', from);
        if (comma < 0) {
            parts.append(params.mid(from));
            break;
        }
        parts.append(params.mid(from, comma - from));
        from = comma + 1;
    }
    return parts;
}

bool parseDecimal(const QByteArray &text, int *value)
{
    if (text.isEmpty() || text.size() > 9)
        return false;
    int v = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return false;
        v = v * 10 + (c - '0');
    }
    *value = v;
    return true;
}

bool parseHexAddress(const QByteArray &text, quint64 *value)
{
    if (!text.startsWith("0x") || text.size() < 3 || text.size() > 18)
        return false;
    quint64 v = 0;
    for (qsizetype i = 2; i < text.size(); ++i) {
        const char c = text.at(i);
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            return false;
        v = (v << 4) | quint64(digit);
    }
    *value = v;
    return true;
}

bool validAddressForMode(const QByteArray &mode, const QByteArray &address)
{
    quint64 value = 0;
    if (!parseHexAddress(address, &value))
        return false;
    if (mode == "NID")
        return value <= quint64(SimLimits::kMaxNetAddress);
    return mode == "MID" || mode == "LID";
}

} // namespace SimParse

#include "config/settingstable.h"

#include "at/commands.h"
#include "config/cfgreply.h"
#include "peripherals/families.h"

#include <QHash>
#include <QRegularExpression>

namespace SettingsTable {
namespace {

using CfgReply::toIntOrZero;

QString str(const char *text)
{
    return QString::fromLatin1(text);
}

QStringList itemsOf(std::initializer_list<const char *> items)
{
    QStringList out;
    for (const char *i : items)
        out << str(i);
    return out;
}

// Hexadecimal address of up to 64 bits, as "0x" and digits.
const char *const kAddress = "^0x[a-fA-F0-9]{0,16}";
const char *const kInterval = "[0-9]{0,10}";

// ---- fields ----

Field text(const QString &key, const QString &label = {}, const char *pattern = nullptr,
           QVariant reset = QString())
{
    Field f;
    f.key = key;
    f.kind = Kind::Text;
    f.label = label;
    f.reset = reset;
    f.start = QString();
    f.pattern = pattern ? str(pattern) : QString();
    return f;
}

Field address(const QString &key, const QString &label, const char *pattern, QVariant reset)
{
    Field f = text(key, label, pattern, reset);
    f.kind = Kind::Address;
    return f;
}

Field item(const QString &key, const QString &label, QStringList items, QVariant reset)
{
    Field f;
    f.key = key;
    f.kind = Kind::Item;
    f.label = label;
    f.items = std::move(items);
    f.reset = reset;
    f.start = 0;
    return f;
}

Field flag(const QString &key, const QString &label)
{
    Field f;
    f.key = key;
    f.kind = Kind::Flag;
    f.label = label;
    f.reset = false;
    f.start = false;
    return f;
}

// The fields of a group that only count while its switch (its first field) is on.
QList<Field> switched(QList<Field> fields)
{
    for (int i = 1; i < fields.size(); ++i)
        fields[i].onlyWhen = fields.front().key;
    return fields;
}

// A fixed box's position of a number the module reports, or -1 (no item) outside the list,
// as the box itself shows a position it does not have.
int position(const Field &f, int index)
{
    return index >= 0 && index < f.items.size() ? index : -1;
}

QString value(const CfgValues &v, const QString &key)
{
    const Field *f = field(key);
    return f ? f->text(v.value(key, f->start)) : QString();
}

int index(const CfgValues &v, const QString &key)
{
    const Field *f = field(key);
    return v.value(key, f ? f->start : QVariant(0)).toInt();
}

bool on(const CfgValues &v, const QString &key)
{
    return v.value(key).toBool();
}

// ---- settings ----

// A one-line reply whose one field is the text of `key`.
Setting shown(const char *name, QString query, Page page, Group group, const QString &key)
{
    Setting s;
    s.name = str(name);
    s.query = std::move(query);
    s.page = page;
    s.group = group;
    s.fields = {text(key)};
    s.parse = [key](const QStringList &f, CfgValues &v) {
        v.insert(key, f.at(0));
        return true;
    };
    return s;
}

// A setting of one fixed box whose reply is a number within [low, high], the box's first
// item; any other number refuses the reply.
Setting ranged(const char *word, Page page, Group group, Field box, int low, int high,
               Compose write, Leaf leaf)
{
    Setting s;
    s.name = str(word);
    s.query = Command::query(word);
    s.page = page;
    s.group = group;
    s.parse = [key = box.key, low, high](const QStringList &f, CfgValues &v) {
        const auto n = CfgReply::rangedInt(f.at(0), low, high);
        if (n)
            v.insert(key, *n - low);
        return n.has_value();
    };
    s.fields = {std::move(box)};
    s.writes = {std::move(write)};
    s.leaf = std::move(leaf);
    return s;
}

QList<Setting> moduleSettings()
{
    QList<Setting> all;
    all << shown("Part", Command::info(), BasePage, Group::Module, str("lineEdit_devicePart"));
    all << shown("Version", Command::version(), BasePage, Group::Module,
                 str("lineEdit_deviceSoftwareVer"));

    Setting type;
    type.name = str("Device type");
    type.query = Command::query("TYP");
    type.page = BasePage;
    type.identity = true;
    type.fields = {item(str("comboBox_deviceType"), str("TYP"), itemsOf({"Coor", "Router"}), 0)};
    type.parse = [](const QStringList &f, CfgValues &v) {
        // A type the form does not offer is still a valid answer.
        if (const auto i = CfgReply::deviceTypeIndex(f.at(0)))
            v.insert(str("comboBox_deviceType"), *i);
        return true;
    };
    type.writes = {[](const CfgValues &v) {
        return Command::deviceType(index(v, str("comboBox_deviceType")));
    }};
    type.leaf = {str("DEVICE_TYPE"), BaseFile, 0, {str("comboBox_deviceType")}};
    all << type;

    Setting nid = shown("Network address", Command::query("NID"), BasePage, Group::Module,
                        str("lineEdit_deviceNid"));
    nid.notJoined = str("0xFFFE");
    all << nid;
    all << shown("MAC address", Command::query("MID"), BasePage, Group::Module,
                 str("lineEdit_deviceMid"));
    all << shown("Running state", Command::query("NS"), BasePage, Group::Module,
                 str("lineEdit_deviceRunState"));

    Setting uart;
    uart.name = str("UART");
    uart.query = Command::query("UART");
    uart.form = Reply::Form::Value5;
    uart.page = BasePage;
    uart.group = Group::Uart;
    uart.fields = {
        item(str("comboBox_deviceBps"), str("IPR"),
             itemsOf({"4800", "9600", "19200", "38400", "76800", "115200"}), 5),
        item(str("comboBox_deviceDataBit"), str("DBIT"), itemsOf({"5", "6", "7", "8"}), 3),
        item(str("comboBox_deviceParBit"), str("PAR"), itemsOf({"None", "Even", "Odd"}), 0),
        item(str("comboBox_deviceStopBit"), str("STO"), itemsOf({"1", "2"}), 0),
        item(str("comboBox_deviceFlow"), str("IFC"), itemsOf({"None", "Hardware"}), 0),
    };
    uart.parse = [fields = uart.fields](const QStringList &f, CfgValues &v) {
        const CfgReply::UartIndexes u = CfgReply::uartIndexes(f);
        const int indexes[] = {u.baud, u.dataBits, u.parity, u.stopBits, u.flow};
        for (int i = 0; i < fields.size(); ++i)
            v.insert(fields[i].key, position(fields[i], indexes[i]));
        return true;
    };
    uart.writes = {
        [](const CfgValues &v) { return Command::baudRate(index(v, str("comboBox_deviceBps"))); },
        [](const CfgValues &v) {
            return Command::dataBits(value(v, str("comboBox_deviceDataBit")));
        },
        [](const CfgValues &v) { return Command::parity(index(v, str("comboBox_deviceParBit"))); },
        [](const CfgValues &v) {
            return Command::stopBits(value(v, str("comboBox_deviceStopBit")));
        },
        [](const CfgValues &v) {
            return Command::flowControl(index(v, str("comboBox_deviceFlow")));
        },
    };
    QStringList uartKeys;
    for (const Field &f : uart.fields)
        uartKeys << f.key;
    uart.leaf = {str("UART"), BaseFile, 0, uartKeys};
    all << uart;

    // The default work mode is set at once by its box, never by a write.
    Setting mode;
    mode.name = str("Default work mode");
    mode.query = Command::query("DFWM");
    mode.form = Reply::Form::Digit;
    mode.page = BasePage;
    mode.fields = {
        item(str("comboBox_defaultWorkMode"), QString(), itemsOf({"AT_MODE", "TP_MODE"}), 0)};
    mode.parse = [](const QStringList &f, CfgValues &v) {
        v.insert(str("comboBox_defaultWorkMode"), toIntOrZero(f.at(0)));
        return true;
    };
    mode.leaf = {str("DFWM"), BaseFile, 0, {str("comboBox_defaultWorkMode")}};
    all << mode;
    return all;
}

QList<Setting> networkSettings()
{
    QList<Setting> all;
    const auto typed = [](const char *word, const char *key, const char *pattern,
                          QString (*command)(const QString &), int order) {
        Setting s = shown(word, Command::query(word), NetworkPage, Group::Network, str(key));
        s.fields = {text(str(key), str(word), pattern)};
        s.writes = {[command, k = str(key)](const CfgValues &v) {
            return command(value(v, k));
        }};
        s.leaf = {str(word), NetworkFile, order, {str(key)}};
        return s;
    };
    // Decimal, or the "0x" form in which the module reports the EPID: a read, an export and
    // an import of it must give back what the module said.
    all << typed("EPID", "lineEdit_EPID", "[0-9]*|0x[a-fA-F0-9]{0,16}", &Command::extendedPanId, 0);
    all << typed("JOINT", "lineEdit_joinTime", "[0-9]*", &Command::joinTime, 2);

    Setting tid;
    tid.name = str("TID");
    tid.query = Command::query("TID");
    tid.form = Reply::Form::Value2;
    tid.page = NetworkPage;
    tid.group = Group::Network;
    tid.fields = {item(str("comboBox_TID_AM"), str("TID mode"), itemsOf({"NID", "MID"}), 0),
                  address(str("comboBox_TID_ADDR"), str("TID address"), kAddress, QVariant())};
    tid.parse = [](const QStringList &f, CfgValues &v) {
        v.insert(str("comboBox_TID_AM"), CfgReply::twoModeIndex(f.at(0)));
        v.insert(str("comboBox_TID_ADDR"), f.at(1));
        return true;
    };
    tid.writes = {[](const CfgValues &v) {
        return Command::targetId(value(v, str("comboBox_TID_AM")),
                                 value(v, str("comboBox_TID_ADDR")));
    }};
    tid.leaf = {str("TID"), NetworkFile, 5, {str("comboBox_TID_AM"), str("comboBox_TID_ADDR")}};
    all << tid;

    Setting lqi =
        shown("LQI", Command::query("LQI"), NetworkPage, Group::Network, str("lineEdit_LQI"));
    lqi.notJoined = str("0");
    all << lqi;

    const QStringList noYes = itemsOf({"N", "Y"});
    QStringList channels;
    for (int c = 11; c <= 26; ++c)
        channels << QString::number(c);
    all << ranged("CH", NetworkPage, Group::Network,
                  item(str("comboBox_CH"), str("CH"), channels, 4), 11, 26,
                  [](const CfgValues &v) { return Command::channel(value(v, str("comboBox_CH"))); },
                  {str("CH"), NetworkFile, 1, {str("comboBox_CH")}});
    all << ranged(
        "NLOCK", NetworkPage, Group::Network, item(str("comboBox_netLock"), str("NLOCK"), noYes, 0),
        0, 1,
        [](const CfgValues &v) { return Command::networkLock(index(v, str("comboBox_netLock"))); },
        {str("NLOCK"), NetworkFile, 3, {str("comboBox_netLock")}});
    all << ranged(
        "NASTA", NetworkPage, Group::Network, item(str("comboBox_autoNet"), str("NASTA"), noYes, 0),
        0, 1,
        [](const CfgValues &v) { return Command::autoNetwork(index(v, str("comboBox_autoNet"))); },
        {str("AUTONET"), NetworkFile, 4, {str("comboBox_autoNet")}});

    for (int d = 1; d <= 4; ++d) {
        const QString key = QStringLiteral("lineEdit_DESC%1").arg(d);
        Setting s = shown("Node descriptor", Command::readDescriptor(d), NetworkPage,
                          Group::Descriptors, key);
        s.name = QStringLiteral("Node descriptor %1").arg(d);
        s.identity = true;
        s.fields = {text(key, QStringLiteral("WNODE %1").arg(d))};
        s.writes = {[d, key](const CfgValues &v) {
            return Command::writeDescriptor(d, value(v, key));
        }};
        s.leaf = {QStringLiteral("DESC%1").arg(d), NetworkFile, 6, {key}};
        all << s;
    }
    return all;
}

// A sampling row of a list reply (number, line or channel, interval, mode, address): the
// group's switch, interval, mode and address.
void takeSampling(const QList<Field> &fields, const QStringList &f, CfgValues &v)
{
    v.insert(fields[0].key, true);
    v.insert(fields[1].key, f.at(2));
    v.insert(fields[2].key, CfgReply::samplingModeIndex(f.at(3)));
    v.insert(fields[3].key, f.at(4));
}

QList<Field> samplingFields(const QString &on, const QString &interval, const QString &mode,
                            const QString &addr, const QString &label, const char *pattern)
{
    return switched({flag(on, label),
                     text(interval, label + str(" interval"), kInterval, str("10")),
                     item(mode, label + str(" mode"), itemsOf({"NID", "MID", "LID"}), 2),
                     address(addr, label + str(" address"), pattern, str("0x0"))});
}

QList<Setting> ioSettings()
{
    QList<Setting> all;
    QStringList lineItems;
    for (const int line : Family::kIoLines)
        lineItems << QString::number(line);

    // The list of directions reports every line; a line left out is an input.
    for (const int line : Family::kIoLines) {
        const Family::IoNames n = Family::ioNames(line);
        Setting s;
        s.name = QStringLiteral("IO %1 direction").arg(line);
        s.query = Command::query("IOSET");
        s.form = Reply::Form::Row2;
        s.listRow = true;
        s.page = IoPage;
        s.group = Group::IoLines;
        Field dir;
        dir.key = n.output;
        dir.partner = n.input;
        dir.kind = Kind::Direction;
        dir.label = QStringLiteral("IOSET %1").arg(line);
        dir.reset = false;
        dir.start = false;
        s.fields = {dir};
        s.parse = [line, key = n.output](const QStringList &f, CfgValues &v) {
            if (toIntOrZero(f.at(0)) != line)
                return false;
            v.insert(key, toIntOrZero(f.at(1)) != 0);
            return true;
        };
        s.writes = {[line, key = n.output](const CfgValues &v) {
            return Command::ioDirection(line, !on(v, key));
        }};
        all << s;
    }
    for (const int line : Family::kIoLines) {
        const Family::IoNames n = Family::ioNames(line);
        Setting s;
        s.name = QStringLiteral("IO %1 level").arg(line);
        s.query = Command::readIo(line);
        s.page = IoPage;
        s.group = Group::IoLines;
        Field level =
            item(n.level, QStringLiteral("IOOUT %1").arg(line), itemsOf({"L", "H"}), QVariant());
        // A level only goes out for an output.
        level.onlyWhen = n.output;
        s.fields = {text(n.curInput), level};
        s.parse = [n, level](const QStringList &f, CfgValues &v) {
            v.insert(n.curInput, f.at(0));
            v.insert(n.level, position(level, toIntOrZero(f.at(0))));
            return true;
        };
        s.writes = {[line, n](const CfgValues &v) {
            return on(v, n.output) ? Command::ioLevel(line, index(v, n.level)) : QString();
        }};
        s.leaf = {QStringLiteral("IO%1_INOUT_ELEM").arg(line), IoFile, 0, {n.output, n.level}};
        all << s;
    }
    for (const int line : Family::kIoLines) {
        const Family::IoNames n = Family::ioNames(line);
        const QString label = QStringLiteral("TPIO %1").arg(line);
        Setting s;
        s.name = QStringLiteral("IO %1 transparent").arg(line);
        s.query = Command::query("TPIO");
        s.form = Reply::Form::Row4;
        s.listRow = true;
        s.page = IoPage;
        s.group = Group::TransparentIo;
        s.fields = switched({flag(n.tpio, label),
                             item(n.tpioTargetLine, label + str(" target IO"), lineItems, {}),
                             item(n.tpioMode, label + str(" mode"), itemsOf({"NID", "MID"}), 1),
                             address(n.tpioAddress, label + str(" address"), nullptr, str("0x0"))});
        s.parse = [line, n](const QStringList &f, CfgValues &v) {
            if (toIntOrZero(f.at(0)) != line)
                return false;
            // The line's box is ticked before its target line is judged: one the form cannot
            // show refuses the row.
            v.insert(n.tpio, true);
            const int target = CfgReply::ioSlot(toIntOrZero(f.at(1)));
            if (target < 0)
                return false;
            v.insert(n.tpioTargetLine, target);
            v.insert(n.tpioMode, CfgReply::twoModeIndex(f.at(2)));
            v.insert(n.tpioAddress, f.at(3));
            return true;
        };
        s.writes = {[line, n](const CfgValues &v) {
            return Command::transparentIo(on(v, n.tpio), line, value(v, n.tpioTargetLine),
                                          value(v, n.tpioMode), value(v, n.tpioAddress));
        }};
        s.leaf = {QStringLiteral("TPIO%1_ELEM").arg(line),
                  IoFile,
                  0,
                  {n.tpio, n.tpioTargetLine, n.tpioMode, n.tpioAddress}};
        all << s;
    }
    for (const int line : Family::kIoLines) {
        const Family::IoNames n = Family::ioNames(line);
        Setting s;
        s.name = QStringLiteral("IO %1 sampling").arg(line);
        s.query = Command::query("IOSMP");
        s.form = Reply::Form::Row5;
        s.listRow = true;
        s.page = IoPage;
        s.group = Group::IoSampling;
        s.fields = samplingFields(n.sample, n.sampleInterval, n.sampleMode, n.sampleAddress,
                                  QStringLiteral("IOSMP %1").arg(line), nullptr);
        s.parse = [line, fields = s.fields](const QStringList &f, CfgValues &v) {
            if (toIntOrZero(f.at(1)) != line)
                return false;
            takeSampling(fields, f, v);
            return true;
        };
        s.writes = {[line, n](const CfgValues &v) {
            return Command::ioSample(on(v, n.sample), line, value(v, n.sampleInterval),
                                     value(v, n.sampleMode), value(v, n.sampleAddress));
        }};
        s.leaf = {QStringLiteral("IO%1SMP_ELEM").arg(line),
                  IoFile,
                  0,
                  {n.sample, n.sampleInterval, n.sampleMode, n.sampleAddress}};
        all << s;
    }
    return all;
}

QList<Setting> adcSettings()
{
    QList<Setting> all;
    for (int c = 1; c <= Family::kAdcChannels; ++c)
        all << shown("ADC value", Command::readAdc(c), AdPage, Group::Adc,
                     Family::adcNames(c).value);
    for (int c = 1; c <= Family::kAdcChannels; ++c) {
        const Family::AdcNames n = Family::adcNames(c);
        Setting s;
        s.name = QStringLiteral("ADC %1 sampling").arg(c);
        s.query = Command::query("ADCSMP");
        s.form = Reply::Form::Row5;
        s.listRow = true;
        s.page = AdPage;
        s.group = Group::Adc;
        s.fields = samplingFields(n.sample, n.interval, n.mode, n.address,
                                  QStringLiteral("ADCSMP %1").arg(c), kAddress);
        s.parse = [c, fields = s.fields](const QStringList &f, CfgValues &v) {
            if (toIntOrZero(f.at(1)) != c)
                return false;
            takeSampling(fields, f, v);
            return true;
        };
        s.writes = {[c, n](const CfgValues &v) {
            return Command::adcSample(on(v, n.sample), c, value(v, n.interval), value(v, n.mode),
                                      value(v, n.address));
        }};
        s.leaf = {QStringLiteral("ADSMP%1_ELEM").arg(c),
                  AdFile,
                  0,
                  {n.sample, n.interval, n.mode, n.address}};
        all << s;
    }
    for (int i = 1; i <= Family::kAdcChannels; ++i)
        all[i - 1].name = QStringLiteral("ADC %1 value").arg(i);
    return all;
}

QList<Setting> pwmSettings()
{
    QList<Setting> all;
    for (int p = 1; p <= Family::kPwmChannels; ++p) {
        const Family::PwmNames n = Family::pwmNames(p);
        const QString label = QStringLiteral("PWM %1").arg(p);
        Setting s;
        s.name = label;
        s.query = Command::query("PWM");
        s.form = Reply::Form::Row4;
        s.listRow = true;
        s.page = PwmPage;
        s.group = Group::Pwm;
        Field duty;
        duty.key = n.duty;
        duty.kind = Kind::Number;
        duty.label = label + str(" duty");
        duty.reset = 0;
        duty.start = 0;
        duty.maximum = 100;
        s.fields = switched(
            {flag(n.on, label),
             text(n.frequency, label + str(" frequency"), "[0-9]{1,5}", str("1000")), duty});
        s.parse = [p, n](const QStringList &f, CfgValues &v) {
            if (toIntOrZero(f.at(1)) != p)
                return false;
            v.insert(n.on, true);
            v.insert(n.frequency, f.at(2));
            v.insert(n.duty, toIntOrZero(f.at(3)));
            return true;
        };
        s.writes = {[p, n](const CfgValues &v) {
            return Command::pwm(on(v, n.on), p, value(v, n.frequency), index(v, n.duty));
        }};
        s.leaf = {QStringLiteral("PWM%1_ELEM").arg(p), PwmFile, 0, {n.on, n.frequency, n.duty}};
        all << s;
    }
    // What the module has been sent is kept only once it is told to save it.
    Setting save;
    save.name = str("Save");
    save.writes = {[](const CfgValues &) {
        return Command::save();
    }};
    all << save;
    return all;
}

QList<Setting> buildSettings()
{
    return moduleSettings() + networkSettings() + ioSettings() + adcSettings() + pwmSettings();
}

} // namespace

QString Field::text(const QVariant &value) const
{
    switch (kind) {
    case Kind::Item: {
        const int i = value.toInt();
        return i >= 0 && i < items.size() ? items.at(i) : QString();
    }
    case Kind::Flag:
    case Kind::Direction:
        return value.toBool() ? str("1") : str("0");
    case Kind::Number:
        return QString::number(value.toInt());
    case Kind::Text:
    case Kind::Address:
        break;
    }
    return value.toString();
}

bool Field::accepts(const QString &t) const
{
    switch (kind) {
    case Kind::Item:
        return items.contains(t);
    case Kind::Flag:
    case Kind::Direction:
        return true;
    case Kind::Number: {
        static const QRegularExpression digits(QStringLiteral("\\A[0-9]{1,9}\\z"));
        if (!digits.match(t).hasMatch())
            return false;
        const int n = t.toInt();
        return n >= minimum && n <= maximum;
    }
    case Kind::Text:
    case Kind::Address:
        break;
    }
    return patternAccepts(pattern, t);
}

bool patternAccepts(const QString &pattern, const QString &text)
{
    if (pattern.isEmpty() || text.isEmpty())
        return true;
    // Compiling (and JIT-compiling) a pattern costs far more than matching it; the few
    // patterns of the table are kept, one set per thread as QRegularExpression is not
    // meant to be shared across threads while it is being optimised.
    thread_local QHash<QString, QRegularExpression> compiled;
    auto it = compiled.find(pattern);
    if (it == compiled.end())
        it = compiled.insert(pattern,
                             QRegularExpression(QRegularExpression::anchoredPattern(pattern)));
    const QRegularExpressionMatch m =
        it->match(text, 0, QRegularExpression::PartialPreferCompleteMatch);
    return m.hasMatch() || m.hasPartialMatch();
}

QVariant Field::fromText(const QString &t) const
{
    switch (kind) {
    case Kind::Item:
        return int(items.indexOf(t));
    case Kind::Flag:
    case Kind::Direction:
        return t != QLatin1String("0");
    case Kind::Number:
        return t.toInt(nullptr, 10);
    case Kind::Text:
    case Kind::Address:
        break;
    }
    return t;
}

QString groupName(Group group)
{
    switch (group) {
    case Group::Module:
        return str("module");
    case Group::Uart:
        return str("uart");
    case Group::Network:
        return str("network");
    case Group::Descriptors:
        return str("descriptors");
    case Group::IoLines:
        return str("io");
    case Group::TransparentIo:
        return str("tpio");
    case Group::IoSampling:
        return str("iosmp");
    case Group::Adc:
        return str("adc");
    case Group::Pwm:
        return str("pwm");
    }
    return QString();
}

const char *groupCaption(Group group)
{
    // Shown by the batch panel, which translates them.
    switch (group) {
    case Group::Module:
        return QT_TRANSLATE_NOOP("BatchWritePanel", "设备类型");
    case Group::Uart:
        return QT_TRANSLATE_NOOP("BatchWritePanel", "串口");
    case Group::Network:
        return QT_TRANSLATE_NOOP("BatchWritePanel", "网络");
    case Group::Descriptors:
        return QT_TRANSLATE_NOOP("BatchWritePanel", "节点描述");
    case Group::IoLines:
        return QT_TRANSLATE_NOOP("BatchWritePanel", "IO口");
    case Group::TransparentIo:
        return QT_TRANSLATE_NOOP("BatchWritePanel", "透明IO");
    case Group::IoSampling:
        return QT_TRANSLATE_NOOP("BatchWritePanel", "IO采样");
    case Group::Adc:
        return QT_TRANSLATE_NOOP("BatchWritePanel", "ADC采样");
    case Group::Pwm:
        return QT_TRANSLATE_NOOP("BatchWritePanel", "PWM输出");
    }
    return "";
}

const QList<Setting> &settings()
{
    static const QList<Setting> all = buildSettings();
    return all;
}

const QList<const Field *> &fields()
{
    static const QList<const Field *> all = [] {
        QList<const Field *> out;
        for (const Setting &s : settings())
            for (const Field &f : s.fields)
                out << &f;
        return out;
    }();
    return all;
}

const Field *field(const QString &key)
{
    static const QHash<QString, const Field *> byKey = [] {
        QHash<QString, const Field *> out;
        for (const Field *f : fields())
            out.insert(f->key, f);
        return out;
    }();
    return byKey.value(key);
}

const Setting *settingOf(const QString &key)
{
    for (const Setting &s : settings())
        for (const Field &f : s.fields)
            if (f.key == key)
                return &s;
    return nullptr;
}

CfgValues resetValues()
{
    CfgValues v;
    for (const Field *f : fields())
        if (f->reset.isValid())
            v.insert(f->key, f->reset);
    return v;
}

CfgValues startValues()
{
    CfgValues v;
    for (const Field *f : fields())
        v.insert(f->key, f->start);
    return v;
}

CfgValues listDefaults()
{
    CfgValues v;
    for (const Setting &s : settings())
        if (s.listRow)
            v.insert(s.fields.front().key, false);
    return v;
}

Choice groupsChoice(const QList<Group> &groups, const CfgValues &own)
{
    return [groups, own](const Setting &s) {
        if (groups.contains(s.group))
            return true;
        for (const Field &f : s.fields)
            if (own.contains(f.key))
                return true;
        return false;
    };
}

int settingCount(const QList<Group> &groups)
{
    int n = 0;
    for (const Setting &s : settings())
        n += s.writable() && !s.fields.isEmpty() && groups.contains(s.group);
    return n;
}

QList<const Field *> writtenFields(const CfgValues &written, const Choice &chosen)
{
    QList<const Field *> out;
    for (const Setting &s : settings()) {
        if (!s.writable() || (chosen && !chosen(s)))
            continue;
        for (const Field &f : s.fields) {
            if (f.label.isEmpty())
                continue;
            // A group that is off is sent as off alone: its other fields stay what they were.
            if (!f.onlyWhen.isEmpty() && !written.value(f.onlyWhen).toBool())
                continue;
            if (written.contains(f.key))
                out << &f;
        }
    }
    return out;
}

QList<Difference> differences(const CfgValues &written, const CfgValues &read, const Choice &chosen)
{
    QList<Difference> out;
    for (const Field *f : writtenFields(written, chosen)) {
        const QVariant w = written.value(f->key);
        const QVariant r = read.value(f->key);
        if (!r.isValid() || w != r)
            out.append({f, w, r});
    }
    return out;
}

QString valueText(const QString &key, const QVariant &value)
{
    const Field *f = field(key);
    if (!f)
        return value.toString();
    switch (f->kind) {
    case Kind::Item: {
        // A position the box does not have is shown as the number.
        const int i = value.toInt();
        return i >= 0 && i < f->items.size() ? f->items.at(i) : QString::number(i);
    }
    case Kind::Flag:
    case Kind::Direction:
        return value.toBool() ? str("on") : str("off");
    case Kind::Number:
    case Kind::Text:
    case Kind::Address:
        break;
    }
    return value.toString();
}

QString differencesText(const QList<Difference> &differences)
{
    QStringList parts;
    for (const Difference &d : differences)
        parts.append(QStringLiteral("%1: wrote %2, read %3")
                         .arg(d.field->label, valueText(d.field->key, d.written),
                              d.read.isValid() ? valueText(d.field->key, d.read)
                                               : QStringLiteral("nothing")));
    return parts.join(QStringLiteral("; "));
}

} // namespace SettingsTable

#include "config/cfgqueues.h"

#include "config/cfgreply.h"
#include "config/cfgsequencer.h"

namespace CfgQueues {
namespace {

using SettingsTable::Setting;

// A one-line reply of the setting's form; a refused one has the query sent again.
CfgCmdHandler single(const Setting &s, const ReadSink &sink, int page)
{
    return [&s, sink, page](const QString &line, bool *done) {
        CfgValues values;
        if (const auto fields = Reply::match(s.form, line, sink.remote())) {
            if (page != SettingsTable::NoPage && sink.show)
                sink.show(page);
            if (!s.parse(*fields, values))
                return false;
        } else if (s.notJoined.isValid() && CfgReply::isNetworkNotStarted(line)) {
            // Only this code means the node has not joined; any other error is a failure.
            values.insert(s.fields.front().key, s.notJoined);
        } else {
            return false;
        }
        sink.fill(values);
        *done = true;
        return true;
    };
}

// A list reply: rows of the settings `members` share, then the closing success line. A
// row no member takes is refused.
CfgCmdHandler list(QList<const Setting *> members, const ReadSink &sink, int page)
{
    return [members, sink, page](const QString &line, bool *done) {
        const Reply::Form form = members.front()->form;
        const CfgReply::ListLine l = CfgReply::listLine(form, line, sink.remote());
        if (l.kind == CfgReply::ListLine::Closing) {
            *done = true;
            return true;
        }
        if (l.kind != CfgReply::ListLine::Row)
            return false;
        CfgValues values;
        for (const Setting *s : members) {
            if (!s->parse(l.fields, values))
                continue;
            if (page != SettingsTable::NoPage && sink.show)
                sink.show(page);
            sink.fill(values);
            *done = false;
            return true;
        }
        // What a refused row had already set stays set (a transparent-IO row naming a line
        // the form lacks has ticked its own line's box).
        if (!values.isEmpty())
            sink.fill(values);
        return false;
    };
}

bool taken(const Setting &s, const SettingsTable::Choice &chosen)
{
    // The save has no fields: it belongs to every write.
    return !chosen || s.fields.isEmpty() || chosen(s);
}

} // namespace

CfgCmdQueue read(const ReadSink &sink)
{
    CfgCmdQueue queue;
    const QList<Setting> &all = SettingsTable::settings();
    int lastPage = SettingsTable::NoPage;
    for (int i = 0; i < all.size(); ++i) {
        const Setting &s = all.at(i);
        if (s.query.isEmpty())
            continue;
        // A step shows its page when the one before showed another.
        const int page = s.page != lastPage ? s.page : SettingsTable::NoPage;
        lastPage = s.page;
        if (!s.listRow) {
            queue.append(CfgCmd{s.query, single(s, sink, page)});
            continue;
        }
        QList<const Setting *> members{&s};
        while (i + 1 < all.size() && all.at(i + 1).listRow && all.at(i + 1).query == s.query)
            members << &all.at(++i);
        queue.append(CfgCmd{s.query, list(members, sink, page), true});
    }
    return queue;
}

CfgCmdQueue write(const CfgValues &values, CfgSequencer *engine,
                  const std::function<void(int page)> &show, const SettingsTable::Choice &chosen)
{
    CfgCmdQueue queue;
    int lastPage = SettingsTable::NoPage;
    for (const Setting &s : SettingsTable::settings()) {
        if (!taken(s, chosen))
            continue;
        for (const SettingsTable::Compose &compose : s.writes) {
            const int page = s.page != lastPage ? s.page : SettingsTable::NoPage;
            lastPage = s.page;
            const QString cmd = compose(values);
            queue.append(CfgCmd{cmd, [cmd, engine, show, page](const QString &, bool *done) {
                                    *done = true;
                                    if (page != SettingsTable::NoPage && show)
                                        show(page);
                                    if (cmd.isEmpty())
                                        engine->skip();
                                    else
                                        engine->send(cmd);
                                    return true;
                                }});
        }
    }
    return queue;
}

QStringList writeCommands(const CfgValues &values, const SettingsTable::Choice &chosen)
{
    QStringList out;
    for (const Setting &s : SettingsTable::settings()) {
        if (!taken(s, chosen))
            continue;
        for (const SettingsTable::Compose &compose : s.writes)
            if (const QString cmd = compose(values); !cmd.isEmpty())
                out << cmd;
    }
    return out;
}

} // namespace CfgQueues

#include "ReceiveLog.h"

#include "ByteDisplay.h"

#include <QStringList>

namespace {

// Every bracketed display form of a byte; a cut must not split one of them.
const QStringList& bracketed_names()
{
    static const QStringList names = [] {
        QStringList forms;
        for (quint8 byte = 0; byte < 0x20; ++byte)
            forms.append(display_form(byte));
        forms.append(display_form(0x7F));
        return forms;
    }();
    return names;
}

// The first position at or after cut that starts a whole display form of text.
qsizetype form_boundary(QStringView text, qsizetype cut)
{
    for (const QString& name : bracketed_names()) {
        for (qsizetype start = std::max<qsizetype>(0, cut - name.size() + 1); start < cut;
             ++start) {
            if (text.sliced(start).startsWith(name))
                return start + name.size();
        }
    }
    if (cut > 0 && cut < text.size() && text[cut].isLowSurrogate()
        && text[cut - 1].isHighSurrogate())
        return cut + 1;
    return cut;
}

} // namespace

QString append_to_log(QStringView log, QStringView batch_text, qsizetype capacity)
{
    const qsizetype total = log.size() + batch_text.size();
    QString joined;
    joined.reserve(total);
    joined.append(log).append(batch_text);
    if (total <= capacity)
        return joined;

    const qsizetype cut = form_boundary(joined, total - std::max<qsizetype>(capacity, 0));
    joined.remove(0, cut);
    return joined;
}

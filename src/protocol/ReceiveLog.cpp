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

constexpr qsizetype longest_name = 5; // "[ACK]"

// The first position at or after cut that starts a whole display form of text. A name's inside
// holds no bracket, so at most one name can span the cut, and it starts at a '[' just before it.
qsizetype form_boundary(QStringView text, qsizetype cut)
{
    for (qsizetype start = std::max<qsizetype>(0, cut - longest_name + 1); start < cut; ++start) {
        if (text[start] != u'[')
            continue;
        for (const QString& name : bracketed_names()) {
            if (start + name.size() > cut && text.sliced(start).startsWith(name))
                return start + name.size();
        }
    }
    if (cut > 0 && cut < text.size() && text[cut].isLowSurrogate()
        && text[cut - 1].isHighSurrogate())
        return cut + 1;
    return cut;
}

} // namespace

void append_to_log(QString& log, QStringView batch_text, qsizetype capacity)
{
    // Room for twice the bound: the text is moved back to the front only once every capacity
    // characters appended.
    if (log.capacity() < 2 * capacity)
        log.reserve(2 * capacity);
    log.append(batch_text);
    if (log.size() <= capacity)
        return;
    log.remove(0, form_boundary(log, log.size() - std::max<qsizetype>(capacity, 0)));
}

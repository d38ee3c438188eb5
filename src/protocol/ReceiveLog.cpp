#include "ReceiveLog.h"

#include <array>

namespace {

// Every bracketed display form of a byte; a cut must not split one of them.
constexpr std::array<QStringView, 33> bracketed_names { u"[NUL]", u"[SOH]", u"[STX]", u"[ETX]",
    u"[EOT]", u"[ENQ]", u"[ACK]", u"[BEL]", u"[BS]", u"[HT]", u"[LF]", u"[VT]", u"[FF]", u"[CR]",
    u"[SO]", u"[SI]", u"[DLE]", u"[DC1]", u"[DC2]", u"[DC3]", u"[DC4]", u"[NAK]", u"[SYN]",
    u"[ETB]", u"[CAN]", u"[EM]", u"[SUB]", u"[ESC]", u"[FS]", u"[GS]", u"[RS]", u"[US]", u"[DEL]" };

// The first position at or after cut that starts a whole display form of text.
qsizetype form_boundary(QStringView text, qsizetype cut)
{
    for (const QStringView name : bracketed_names) {
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

#include "BatchInput.h"

#include "ByteDisplay.h"
#include "CardText.h"

#include <algorithm>

namespace {

bool is_hangul(QChar c)
{
    return c.script() == QChar::Script_Hangul;
}

// Beyond ASCII, only U+0080-U+00FF: how UTF-8 reads a CP949 file whose every Hangul pair happens
// to be a two-byte UTF-8 sequence.
bool latin1_only(QStringView text)
{
    const auto beyond_ascii = [](QChar c) { return c.unicode() >= 0x80; };
    return std::ranges::any_of(text, beyond_ascii) && std::ranges::all_of(text, [&](QChar c) {
        return !beyond_ascii(c) || c.unicode() <= 0xFF;
    });
}

// Beyond ASCII, only Hangul.
bool hangul_only(QStringView text)
{
    return std::ranges::all_of(text, [](QChar c) { return c.unicode() < 0x80 || is_hangul(c); });
}

} // namespace

BatchInput::BatchInput(std::optional<TextEncoding> encoding)
    : given_(encoding)
    , encoding_(encoding.value_or(TextEncoding::utf8))
{
}

std::optional<BatchInput::Line> BatchInput::next(bool read_more)
{
    for (;;) {
        if (after_cr_ && !buffer_.isEmpty()) {
            after_cr_ = false;
            if (buffer_.startsWith('\n'))
                buffer_.remove(0, 1);
        }
        const qsizetype lf = buffer_.indexOf('\n'), cr = buffer_.indexOf('\r');
        const qsizetype end = cr < 0 ? lf : lf < 0 ? cr : std::min(lf, cr);
        if (end > max_line || (end < 0 && buffer_.size() > max_line)) {
            // Whatever follows is not read: the line's end may never come.
            buffer_.clear();
            ended_ = true;
            stop_watching();
            return Line { ++number_, {},
                tr("%1바이트보다 깁니다. 나머지 입력은 읽지 않습니다").arg(max_line) };
        }
        if (end >= 0 || (ended_ && !buffer_.isEmpty())) {
            const QByteArray bytes = buffer_.left(end < 0 ? buffer_.size() : end);
            after_cr_ = end >= 0 && buffer_[end] == '\r';
            buffer_.remove(0, end < 0 ? buffer_.size() : end + 1);
            return decoded(++number_, bytes);
        }
        if (ended_ || !read_more)
            return std::nullopt;
        if (watch_) {
            await_bytes();
            return std::nullopt;
        }
        read_some();
    }
}

BatchInput::Line BatchInput::decoded(int number, QByteArray bytes)
{
    if (number == 1 && encoding_ == TextEncoding::utf8 && bytes.startsWith("\xEF\xBB\xBF")) {
        bytes.remove(0, 3);
        marked_ = true;
    }
    // An initial byte order mark in another line is a character, never skipped silently.
    Line line { number, {}, {} };
    if (const auto text = decode_card_text(bytes, encoding_)) {
        line.text = *text;
        line.fault = ambiguity(bytes, line.text);
        if (!line.fault.isEmpty())
            line.text.clear();
        return line;
    }
    const qsizetype start = first_undecodable(bytes, encoding_);
    line.text.clear();
    line.fault = tr("오프셋 %2의 바이트(0x%3)부터 %1 인코딩으로 읽을 수 없습니다")
                     .arg(encoding_label(encoding_))
                     .arg(start)
                     .arg(QString::fromLatin1(bytes.mid(start, 1).toHex().toUpper()));
    return line;
}

QString BatchInput::ambiguity(QByteArrayView bytes, const QString& text) const
{
    using enum TextEncoding;
    if (!given_ && !marked_ && latin1_only(text)) {
        if (const auto korean = decode_card_text(bytes, cp949); korean && hangul_only(*korean))
            return tr("UTF-8로 읽으면 “%1”, CP949로 읽으면 “%2”입니다. --input-encoding utf-8 "
                      "또는 cp949로 파일의 인코딩을 정하십시오")
                .arg(echo_form(text), echo_form(*korean));
    } else if (given_ == cp949) {
        // Hangul syllables in UTF-8 are three bytes each, which CP949 also reads, as other text.
        const auto unicode = decode_card_text(bytes, utf8);
        if (unicode && std::ranges::any_of(*unicode, [](QChar c) {
                return c.unicode() >= 0xAC00 && c.unicode() <= 0xD7A3;
            }))
            return tr("--input-encoding cp949인데 UTF-8로 쓴 한글(“%1”)이 있습니다. 인코딩이 "
                      "섞인 파일입니다")
                .arg(echo_form(*unicode));
    }
    return {};
}

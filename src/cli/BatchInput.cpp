#include "BatchInput.h"

#include "ByteDisplay.h"
#include "CardText.h"
#include "SystemReason.h"

#include <QStringDecoder>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr qsizetype chunk = 64 * 1024;

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

BatchInput::~BatchInput()
{
    notifier_.reset();
    if (own_fd_)
        ::close(fd_);
}

bool BatchInput::open(const QByteArray& path)
{
    own_fd_ = path != "-";
    fd_ = own_fd_ ? ::open(path.constData(), O_RDONLY | O_CLOEXEC) : STDIN_FILENO;
    struct stat status { };
    if (fd_ < 0 || ::fstat(fd_, &status) != 0) {
        error_ = system_reason(errno);
        return false;
    }
    if (S_ISDIR(status.st_mode)) {
        error_ = system_reason(EISDIR);
        return false;
    }
    regular_ = S_ISREG(status.st_mode);
    if (!regular_) {
        // A pipe or a terminal is read when it has bytes, so that waiting for them never stops
        // the card in progress.
        notifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
        notifier_->setEnabled(false);
        connect(notifier_.get(), &QSocketNotifier::activated, this, [this] {
            notifier_->setEnabled(false);
            read_some();
            emit ready();
        });
    }
    return true;
}

bool BatchInput::read_some()
{
    const qsizetype had = buffer_.size();
    buffer_.resize(had + chunk);
    ssize_t got;
    do
        got = ::read(fd_, buffer_.data() + had, chunk);
    while (got < 0 && errno == EINTR);
    buffer_.resize(had + std::max<ssize_t>(got, 0));
    if (got <= 0)
        ended_ = true;
    return got > 0;
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
            notifier_.reset();
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
        if (notifier_) {
            notifier_->setEnabled(true);
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
    const auto flags = QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom;
    QStringDecoder whole(converter_name(encoding_), flags);
    Line line { number, whole.decode(bytes), {} };
    if (!whole.hasError()) {
        line.fault = ambiguity(bytes, line.text);
        if (!line.fault.isEmpty())
            line.text.clear();
        return line;
    }
    // Where the first character that does not decode begins: the bytes are fed one at a time,
    // and a character is whole where the decoder last gave one out.
    QStringDecoder stepwise(converter_name(encoding_), QStringDecoder::Flag::ConvertInitialBom);
    qsizetype start = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const QString out = stepwise.decode(bytes.mid(i, 1));
        if (stepwise.hasError())
            break;
        if (!out.isEmpty())
            start = i + 1;
    }
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

#include "BatchInput.h"

#include "CardText.h"
#include "SystemReason.h"

#include <QStringDecoder>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr qsizetype chunk = 64 * 1024;

} // namespace

BatchInput::BatchInput(TextEncoding encoding)
    : encoding_(encoding)
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
                tr("줄이 %1바이트보다 깁니다; 나머지 입력은 읽지 않습니다")
                    .arg(max_line) };
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

BatchInput::Line BatchInput::decoded(int number, QByteArray bytes) const
{
    if (number == 1 && encoding_ == TextEncoding::utf8 && bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);
    // An initial byte order mark in another line is a character, never skipped silently.
    const auto flags = QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom;
    QStringDecoder whole(converter_name(encoding_), flags);
    Line line { number, whole.decode(bytes), {} };
    if (!whole.hasError())
        return line;
    // Where the first character that does not decode begins: the bytes are fed one at a time,
    // and a character is whole where the decoder last gave one out.
    QStringDecoder stepwise(
        converter_name(encoding_), QStringDecoder::Flag::ConvertInitialBom);
    qsizetype start = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const QString out = stepwise.decode(bytes.mid(i, 1));
        if (stepwise.hasError())
            break;
        if (!out.isEmpty())
            start = i + 1;
    }
    line.text.clear();
    line.fault = tr("오프셋 %2의 바이트(0x%3)부터 올바른 %1이(가) 아닙니다")
                     .arg(encoding_label(encoding_))
                     .arg(start)
                     .arg(QString::fromLatin1(bytes.mid(start, 1).toHex().toUpper()));
    return line;
}

#include "Reader.h"

#include "ByteDisplay.h"
#include "ReplyDecoder.h"

namespace reader_sim {

namespace {

QString request_name(RequestKind kind)
{
    switch (kind) {
    case RequestKind::read:
        return QStringLiteral("read");
    case RequestKind::new_issue:
        return QStringLiteral("issue");
    case RequestKind::modify_issue:
        return QStringLiteral("modify");
    }
    return {};
}
} // namespace

Reader::Reader(Card card, std::function<void(const QString&)> note)
    : card_(std::move(card))
    , note_(std::move(note))
{
}

QByteArrayList Reader::receive(QByteArrayView bytes)
{
    QByteArrayList answers;
    for (const FrameReader::Event& event : frames_.feed(bytes)) {
        using Kind = FrameReader::Event::Kind;
        if (event.kind == Kind::ignored) {
            if (note_)
                note_(QStringLiteral("ignored outside a frame: %1").arg(display_text(event.bytes)));
            continue;
        }
        pending_ = event.kind == Kind::frame
            ? parse_request(QByteArrayView(event.bytes).sliced(1, event.bytes.size() - 2))
            : std::nullopt;
        const QByteArray reply = QByteArray(1, pending_ ? ack : nak) + cr;
        answers.append(reply);
        if (note_)
            note_(QStringLiteral("frame %1 -> %2%3")
                      .arg(display_text(event.bytes), display_text(reply),
                          pending_ ? QStringLiteral(" (%1 of block %2; present the card)")
                                         .arg(request_name(pending_->kind))
                                         .arg(pending_->block)
                                   : QStringLiteral(" (refused)")));
    }
    return answers;
}

QByteArray Reader::present_card()
{
    if (!pending_)
        return {};
    const Request request = *std::exchange(pending_, std::nullopt);
    QByteArray answer;
    if (!card_.key_matches(request.block, request.key)) {
        answer = QByteArray(1, can) + cr;
    } else if (request.kind == RequestKind::read) {
        answer = card_.read(request.block) + cr;
    } else {
        card_.write(request.block, request.data);
        answer = QByteArray(1, cr);
    }
    if (note_)
        note_(QStringLiteral("card presented for %1 of block %2 -> %3")
                  .arg(request_name(request.kind))
                  .arg(request.block)
                  .arg(display_text(answer)));
    return answer;
}

} // namespace reader_sim

#include "Request.h"

#include "Card.h"

#include <charconv>

namespace reader_sim {

namespace {

std::optional<int> data_block(QByteArrayView address)
{
    unsigned block = 0;
    const char* end = address.data() + address.size();
    const auto [stop, error] = std::from_chars(address.data(), end, block);
    if (address.isEmpty() || error != std::errc {} || stop != end || block >= Card::block_count
        || !Card::is_data_block(int(block)))
        return std::nullopt;
    return int(block);
}

} // namespace

std::optional<Request> parse_request(QByteArrayView body)
{
    if (body.isEmpty())
        return std::nullopt;
    RequestKind kind;
    switch (body.front()) {
    case 'R':
        kind = RequestKind::read;
        break;
    case 'N':
        kind = RequestKind::new_issue;
        break;
    case 'W':
        kind = RequestKind::modify_issue;
        break;
    default:
        return std::nullopt;
    }

    const QByteArrayView fields = body.sliced(1);
    const qsizetype key_start = fields.indexOf(';') + 1;
    if (key_start == 0)
        return std::nullopt;
    const qsizetype key_end = fields.indexOf(';', key_start);
    const bool has_data = key_end >= 0;
    if (has_data != (kind != RequestKind::read))
        return std::nullopt;

    const std::optional<int> block = data_block(fields.first(key_start - 1));
    if (!block)
        return std::nullopt;
    Request request { kind, *block, {}, {} };
    if (has_data) {
        request.key = fields.sliced(key_start, key_end - key_start).toByteArray();
        request.data = fields.sliced(key_end + 1).toByteArray();
        if (request.data.size() > block_bytes)
            return std::nullopt;
    } else {
        request.key = fields.sliced(key_start).toByteArray();
    }
    return request;
}

} // namespace reader_sim

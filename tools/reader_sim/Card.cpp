#include "Card.h"

namespace reader_sim {

Card::Card(QByteArrayView key)
{
    blocks_.fill(QByteArray(block_bytes, blank_byte));
    keys_.fill(key.toByteArray());
}

bool Card::is_data_block(int block)
{
    return block > 0 && block < block_count && block % blocks_per_sector != blocks_per_sector - 1;
}

bool Card::key_matches(int block, QByteArrayView key) const
{
    return keys_.at(std::size_t(block / blocks_per_sector)) == key;
}

QByteArray Card::read(int block) const
{
    return blocks_.at(std::size_t(block));
}

void Card::write(int block, QByteArrayView data)
{
    if (forgetful_)
        return;
    blocks_.at(std::size_t(block))
        = data.toByteArray().leftJustified(block_bytes, blank_byte, true);
}

} // namespace reader_sim

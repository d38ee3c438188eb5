#pragma once

#include "CardLimits.h"

#include <QByteArray>
#include <QByteArrayView>
#include <array>

namespace reader_sim {

// The simulated card: 64 blocks of 16 bytes in 16 sectors of four. The last block of each sector
// (4k+3) is its trailer and block 0 the maker's block; neither is reachable through the reader's
// commands, so the card keeps only the data blocks' contents and one Key A per sector.
class Card {
public:
    static constexpr int block_count = 64;
    static constexpr int blocks_per_sector = 4;
    static constexpr char blank_byte = ' ';

    // Every data block blank (16 spaces) and every sector's Key A set to key.
    explicit Card(QByteArrayView key);

    static bool is_data_block(int block);

    bool key_matches(int block, QByteArrayView key) const;
    QByteArray read(int block) const;
    // Data shorter than a block is padded with spaces; longer data is cut (the reader refuses it
    // before it gets here).
    void write(int block, QByteArrayView data);
    // A card that takes every write and stores nothing, as a worn card or a faulty writer does:
    // what a read back after the write is there to find.
    void set_forgetful(bool forgetful) { forgetful_ = forgetful; }

private:
    std::array<QByteArray, block_count> blocks_;
    std::array<QByteArray, block_count / blocks_per_sector> keys_;
    bool forgetful_ = false;
};

} // namespace reader_sim

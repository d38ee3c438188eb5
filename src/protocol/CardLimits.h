#pragma once

// The card's and the ports' sizes that the codec, both front ends, the port map and the simulated
// reader share; plain ints free of Qt, so that any library may include them.

// A card block holds 16 bytes: a read answers exactly these, a write is padded to them.
inline constexpr int block_bytes = 16;
// The reader takes at most 16 characters of data, counted before their bytes in the encoding.
inline constexpr int max_data_characters = 16;
// The window offers COM1 ... COM8 as its option buttons.
inline constexpr int option_ports = 8;
// Ports are numbered COM1 ... COM16: the port map's and --map's range, and the search's.
inline constexpr int last_port = 16;

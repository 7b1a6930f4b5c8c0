// Numbers in little endian byte order as the encoders write them: the low `bytes` bytes
// of `value`, least significant first, appended to a byte string or stored in place
// (a length patched once the value it measures is written).
#pragma once

#include <cstdint>
#include <string>

inline void NEMA_Append_Little_Endian(std::string &out, uint64_t value, int bytes)
{
  for (int i = 0; i < bytes; i++) out += (char)((value >> (8 * i)) & 0xFF);
}

inline void NEMA_Store_Little_Endian(unsigned char *at, uint64_t value, int bytes)
{
  for (int i = 0; i < bytes; i++) at[i] = (unsigned char)((value >> (8 * i)) & 0xFF);
}

// CRC-16/MODBUS (reflected polynomial 0xA001, start value 0xFFFF), the check
// sum of every Modbus RTU frame and of the product table's fingerprint.
// Pure: any thread may call it.
#pragma once

#include <cstdint>

// The CRC of len bytes at buf: first is the byte sent first (the low byte
// of the 16-bit value), second the byte after it.
void calc_crc(const uint8_t* buf, int len, uint8_t& first, uint8_t& second);

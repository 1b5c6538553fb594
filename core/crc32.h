#pragma once
// CRC-32 (the polynomial of zip and PNG), for checking files for damage.
#include <cstddef>
#include <cstdint>

uint32_t crc32_of(const void* data, size_t size);

// CRC-32C (Castagnoli), reflected: the checksum of saved models and partitioned-mining files.
#ifndef CARMASEQ_MINING_CRC32C_H_
#define CARMASEQ_MINING_CRC32C_H_

#include <cstddef>
#include <cstdint>

namespace SEQUENCE_NAMESPACE_800 {

// Continues a CRC over n bytes of data; start with 0. Thread-safe.
std::uint32_t Crc32c(std::uint32_t crc, const char* data, std::size_t n);

}  // namespace SEQUENCE_NAMESPACE_800

#endif  // CARMASEQ_MINING_CRC32C_H_

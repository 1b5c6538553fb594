// Table hashing: integer keys spread over the buckets whatever their pattern.
#include <gtest/gtest.h>

#include <set>

// after gtest: the machine's headers define a `type` macro
#include "sqtable.h"

namespace {

// Buckets take the low bits of the hash; keys that are multiples of a power
// of two (map cells packed as x * 65536 + z, ...) must not share them.
TEST(TableHash, StructuredIntegerKeysSpreadOverTheBuckets) {
    for (SQInteger stride : {1, 256, 65536, 1 << 20}) {
        std::set<SQHash> buckets;
        for (SQInteger k = 0; k < 4096; k++) buckets.insert(sq_hashkey(SQObjectPtr(SQInteger(uint32_t(k) * uint32_t(stride)))) & 4095);
        EXPECT_GT(buckets.size(), 2048u) << "stride " << stride;
    }
}

}  // namespace

// Huffman coding of the stored coefficients: the bit writer with its byte
// stuffing, one block at a time, and the scans that group the components.
#include <algorithm>
#include <bit>
#include <cstring>

#include "jpeg/BlockMask.h"
#include "jpeg/JpegTables.h"
#include "jpeg/McuOrder.h"
#include "jpeg/cJpeg.h"

namespace nimbrel {

using namespace jpeg_tables;

namespace {

// The bit writer holds up to 64 bits before it moves whole bytes to the
// buffer; each byte may be followed by a stuffed zero.
constexpr size_t kPendingBytes = 2 * 8;
// Whole bytes are moved with one unaligned 8-byte store, which may reach 8
// bytes past the write position (those are overwritten or cut off later).
constexpr size_t kStoreSlack = 8;
// The most bytes one block can produce: a DC code with its extra bits and 63
// AC codes with theirs, every byte stuffed, on top of what is still pending.
constexpr size_t kWorstBlockBytes = 2 * ((16 + 11 + 63 * (16 + 10)) / 8 + 1) + kPendingBytes + kStoreSlack;
constexpr size_t kDummyBlockBytes = 2 * 4 + kPendingBytes + kStoreSlack;

// The extra bits of a value of category s: its low s bits, taking d - 1 for
// a negative d (the one's complement of its magnitude).
inline uint32_t ExtraBits(int32_t d) {
    return static_cast<uint32_t>(d < 0 ? d - 1 : d);
}

// True when one of the eight bytes of x is 0xFF (x's own zero-byte test on ~x).
inline bool HasByteFF(uint64_t x) {
    const uint64_t t = ~x;
    return ((t - 0x0101010101010101ull) & ~t & 0x8080808080808080ull) != 0;
}

}  // namespace

void cJpeg::EnsureRoom(size_t bytes) {
    if (buffer_.size() - position_ >= bytes) return;
    // The estimate can fall short of what a picture really codes to: the
    // buffer grows instead of refusing a valid picture.
    buffer_.resize(std::max(buffer_.size() * 2, position_ + bytes));
}

void cJpeg::PutByte(uint8_t b) {
    EnsureRoom(1);
    buffer_[position_++] = b;
}

void cJpeg::PutWord(uint32_t w) {
    PutByte(static_cast<uint8_t>(w >> 8));
    PutByte(static_cast<uint8_t>(w));
}

void cJpeg::ResetBits() {
    bitAccumulator_ = 0;
    bitCount_ = 0;
}

// The bit writer's state, copied into a local while a block is coded so
// that it stays in registers: every byte stored through a pointer could
// otherwise alias the members and force them back to memory.
struct cJpeg::BitSink {
    uint64_t acc;  // pending bits, the oldest highest
    int count;     // how many
    uint8_t* out;  // next free byte

    // Moves the whole bytes of the pending bits out, oldest first. A byte of
    // 255 is followed by a 0 byte so that the data cannot be taken for a
    // marker. Callers have made room beforehand (EnsureRoom).
    void Emit() {
        const int n = count / 8;
        if (n == 0) return;
        const int rest = count % 8;
        const uint64_t bytes = acc >> rest;  // n bytes
        count = rest;
        acc &= (uint64_t(1) << rest) - 1;
        if constexpr (std::endian::native == std::endian::little) {
            if (!HasByteFF(bytes)) {
                const uint64_t stored = __builtin_bswap64(bytes << (64 - 8 * n));
                std::memcpy(out, &stored, 8);
                out += n;
                return;
            }
        }
        for (int i = n - 1; i >= 0; --i) {
            const uint8_t byte = static_cast<uint8_t>(bytes >> (8 * i));
            *out++ = byte;
            if (byte == 0xFF) *out++ = 0;
        }
    }

    // Appends the low `length` bits (at most 32) of value, most significant first.
    void Put(int length, uint32_t value) {
        if (count + length > 64) Emit();
        acc = (acc << length) | (value & ((uint64_t(1) << length) - 1));
        count += length;
    }
    // A Huffman code from the lookup, followed by s extra bits.
    void PutCode(uint32_t entry, int s, uint32_t extra) {
        Put(int(entry & 0xFF) + s, ((entry >> 8) << s) | (extra & ((1u << s) - 1)));
    }
};

cJpeg::BitSink cJpeg::OpenSink() {
    return BitSink{bitAccumulator_, bitCount_, buffer_.data() + position_};
}

void cJpeg::CloseSink(const BitSink& sink) {
    bitAccumulator_ = sink.acc;
    bitCount_ = sink.count;
    position_ = static_cast<size_t>(sink.out - buffer_.data());
}

// Completes a partial last byte with 1-bits and moves everything out.
void cJpeg::FlushBits() {
    EnsureRoom(kPendingBytes + 2 + kStoreSlack);
    BitSink sink = OpenSink();
    if (sink.count % 8 != 0) sink.Put(8 - sink.count % 8, 0xFF);
    sink.Emit();
    CloseSink(sink);
    ResetBits();
}

void cJpeg::BuildLookup(CodeLookup& lookup, const HuffmanTable& table) {
    for (int s = 0; s < 256; ++s) {
        const uint32_t length = static_cast<uint32_t>(std::bit_width(static_cast<uint32_t>(table.SIZE[s])));
        const uint32_t code = table.CODE[s] < 0 ? 0 : static_cast<uint32_t>(table.CODE[s]);
        lookup.entry[s] = code << 8 | length;
    }
}

NIMBREL_ENTROPY_CLONES void cJpeg::EncodeBlock(const int16_t* block, int32_t& predictor, int dcTable, int acTable) {
    const uint32_t* dc = dcLookup_[dcTable].entry;
    const uint32_t* ac = acLookup_[acTable].entry;
    EnsureRoom(kWorstBlockBytes);
    BitSink sink = OpenSink();

    const int32_t diff = block[0] - predictor;
    predictor = block[0];
    int s = Category(diff);
    sink.PutCode(dc[s], s, ExtraBits(diff));

    // The non-zero AC coefficients as bits 1..63, so that runs of zeros are
    // counted, not walked.
    uint64_t nonZero = block_mask::NonZero(block) & ~uint64_t(1);
    int last = 0;  // zig-zag position of the previous coefficient coded
    while (nonZero) {
        const int k = std::countr_zero(nonZero);
        nonZero &= nonZero - 1;
        int run = k - last - 1;
        for (; run > 15; run -= 16) sink.PutCode(ac[0xF0], 0, 0);
        const int32_t c = block[k];
        s = Category(c);
        sink.PutCode(ac[run * 16 + s], s, ExtraBits(c));
        last = k;
    }
    if (last < 63) sink.PutCode(ac[0x00], 0, 0);  // EOB
    CloseSink(sink);
}

// A block whose DC equals the predictor and whose AC coefficients are all 0.
void cJpeg::EncodeDummyBlock(int dcTable, int acTable) {
    EnsureRoom(kDummyBlockBytes);
    BitSink sink = OpenSink();
    sink.PutCode(dcLookup_[dcTable].entry[0], 0, 0);
    sink.PutCode(acLookup_[acTable].entry[0x00], 0, 0);
    CloseSink(sink);
}

void cJpeg::WriteScanHeader(int first, int last) {
    const int ns = last - first + 1;
    WriteMarker(kSOS);
    PutWord(6 + 2 * ns);
    PutByte(static_cast<uint8_t>(ns));
    for (int c = first; c <= last; ++c) {
        const int table = c == 0 ? 0 : 1;
        PutByte(static_cast<uint8_t>(components_[c].Id));
        PutByte(static_cast<uint8_t>(table * 16 + table));
    }
    PutByte(0x00);  // Ss
    PutByte(0x3F);  // Se
    PutByte(0x00);  // Ah/Al
}

NIMBREL_ENTROPY_CLONES void cJpeg::WriteSingleComponentScan(int c, int dcTable, int acTable) {
    WriteScanHeader(c, c);
    ResetBits();
    int32_t predictor = 0;
    const CoefficientArray& coefficients = components_[c].coefficients;
    for (size_t position = 0; position < coefficients.size(); position += 64)
        EncodeBlock(coefficients.data() + position, predictor, dcTable, acTable);
    FlushBits();
}

NIMBREL_ENTROPY_CLONES void cJpeg::WriteInterleavedScan(int first, int last) {
    WriteScanHeader(first, last);
    ResetBits();
    int32_t predictors[3] = {0, 0, 0};
    mcu_order::Walk(
        components_, first, last, X_, Y_, Hmax_, Vmax_,
        [&](int c, int64_t block) {
            const int table = c == 0 ? 0 : 1;
            EncodeBlock(components_[c].coefficients.data() + block * 64, predictors[c], table, table);
        },
        [&](int c) {
            const int table = c == 0 ? 0 : 1;
            EncodeDummyBlock(table, table);
        });
    FlushBits();
}

void cJpeg::WriteScans(int first, int last) {
    for (int t = 0; t < 2; ++t) {
        BuildLookup(dcLookup_[t], dcTables_[t]);
        BuildLookup(acLookup_[t], acTables_[t]);
    }
    for (const ScanGroup& g : GroupScans(first, last)) {
        if (g.first == g.last) {
            const int table = g.first == 0 ? 0 : 1;
            WriteSingleComponentScan(g.first, table, table);
        } else {
            WriteInterleavedScan(g.first, g.last);
        }
    }
}

}  // namespace nimbrel

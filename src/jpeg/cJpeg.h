#pragma once
// cJpeg: the program's own baseline JPEG encoder. One object samples one
// picture from a device context (SampleHDC), keeps its quantized
// coefficients, and writes them as a JFIF file with Huffman tables built for
// that picture (SaveFile). Misuse raises JpegError; expected outcomes are
// results.
//
// The stages live in their own files: tables and settings (cJpeg.cpp),
// sampling (Sampling.cpp), colour conversion, transform and quantization of
// a row of blocks in one kernel (BlockKernel.h, ForwardDct.cpp), entropy
// coding and scans (EntropyCoder.cpp), Huffman statistics
// (HuffmanOptimiser.cpp), segments and the file (FileWriter.cpp).
#include <bit>
#include <cstdint>
#include <string>
#include <vector>

#include "jpeg/JpegError.h"
#include "jpeg/LargeArray.h"
#include "platform/gdi/gdi.h"

namespace nimbrel {

class cJpeg {
public:
    cJpeg();

    // 1..100; any other value is ignored. Rebuilds quantization tables 0 and 1;
    // a picture already sampled is still saved with the tables it was made with.
    void Quality(int32_t vData);
    int32_t Quality() const { return quality_; }

    // All of H2, V2, H3, V3 zero: grayscale. Discards sampled data.
    void SetSamplingFrequencies(int32_t H1, int32_t V1, int32_t H2, int32_t V2, int32_t H3, int32_t V3);

    // 0 = sampled, 1 = failed (no working surface could be made).
    int32_t SampleHDC(gdi::HDC lHDC, int32_t lWidth, int32_t lHeight, int32_t lSrcLeft, int32_t lSrcTop);

    // UTF-8 text, written one byte per character in Windows-1252.
    void Comment(const std::string& Value);
    const std::string& Comment() const { return comment_; }

    // 0 = written, 1 = empty name, 2 = a file of that name exists.
    int32_t SaveFile(const std::string& FileName);

    // --- inspection, for tests and tools -----------------------------------
    struct QuantizationTable {
        int16_t Q[64] = {};  // zig-zag order
        float M[64] = {};    // S[u] S[v] / Q, zig-zag order
    };
    struct HuffmanTable {
        uint8_t BITS[16] = {};
        uint8_t HUFFVAL[256] = {};
        int32_t SIZE[256] = {};  // 2^(length-1), 0 = no code
        int32_t CODE[256] = {};  // -1 = no code
    };
    using CoefficientArray = std::vector<int16_t, LargeArrayAllocator<int16_t>>;
    struct Component {
        int32_t Id = 0;
        int32_t H = 1, V = 1;
        int32_t Tq = 0;
        CoefficientArray coefficients;  // 64 per block, zig-zag, blocks in raster order
    };
    const QuantizationTable& QuantTable(int t) const { return qt_[t]; }
    const HuffmanTable& DcTable(int t) const { return dcTables_[t]; }
    const HuffmanTable& AcTable(int t) const { return acTables_[t]; }
    const std::vector<Component>& Components() const { return components_; }
    int32_t Width() const { return X_; }
    int32_t Height() const { return Y_; }
    // Caps the buffer SaveFile first sizes from its estimate (0: no cap).
    // Real pictures code well inside the estimate, so tests use this to make
    // the coded data outgrow its buffer.
    void LimitFirstBuffer(size_t bytes) { firstBufferLimit_ = bytes; }

    // The stages on their own, public so that tests can hold them against
    // the standard's examples.
    static void ExpandHuffmanTable(HuffmanTable& table, int largestSymbol);
    // Fills BITS and HUFFVAL from the counts F[0..256] and leaves F all zero.
    static void OptimizeHuffmanTable(HuffmanTable& table, int32_t* F);
    // The 64-sample workspace (row-major) transformed in place.
    static void ForwardDCT(float* workspace);
    // Smallest s with |d| < 2^s.
    static int Category(int32_t d) {
        return std::bit_width(static_cast<uint32_t>(d < 0 ? -static_cast<int64_t>(d) : d));
    }
    // The scans as groups of consecutive components.
    struct ScanGroup {
        int first, last;
    };
    std::vector<ScanGroup> GroupScans(int first, int last) const;

private:
    // Table preparation and the quality scale.
    void PrepareQuantizationTable(int t);

    // Sampling of one component of cw x ch pixels (B G R), drawing row y at
    // top - y * step, padded to whole blocks.
    void SampleComponent(Component& c, int row, const uint8_t* top, int64_t step, int64_t cw, int64_t ch);
    // Quantizes a block that the transform left transposed (index u * 8 + v).
    void QuantizeBlock(const float* transposed, CoefficientArray& coefficients, size_t& position, int t) const;

    // Huffman statistics and tables; returns the estimated entropy-coded size.
    int64_t OptimizeHuffmanTables(int first, int last);

    // Output buffer and bit writer.
    void EnsureRoom(size_t bytes);
    void PutByte(uint8_t b);
    void PutWord(uint32_t w);
    void ResetBits();
    struct BitSink;  // the bit writer (EntropyCoder.cpp)
    BitSink OpenSink();
    void CloseSink(const BitSink& sink);
    void FlushBits();
    void EncodeBlock(const int16_t* block, int32_t& predictor, int dcTable, int acTable);
    void EncodeDummyBlock(int dcTable, int acTable);

    // Segments and scans.
    void WriteMarker(uint8_t code);
    void WriteJFIFHeader();
    void WriteComment(const std::string& text);
    void WriteQuantizationTable(size_t segmentStart, int t);
    void WriteHuffmanTable(size_t segmentStart, int t, bool ac);
    void WriteFrameHeader(uint8_t code);
    void WriteScanHeader(int first, int last);
    void WriteScans(int first, int last);
    void WriteSingleComponentScan(int c, int dcTable, int acTable);
    void WriteInterleavedScan(int first, int last);

    // Fast code lookup built from SIZE and CODE before the scans are written.
    struct CodeLookup {
        uint32_t entry[256];  // code << 8 | length in bits
    };
    void BuildLookup(CodeLookup& lookup, const HuffmanTable& table);

    // Field order follows the object's data model.
    int32_t P_ = 0;
    int32_t Y_ = 0, X_ = 0;
    int32_t Nf_ = 0;
    int32_t Hmax_ = 1, Vmax_ = 1;

    std::vector<uint8_t> buffer_;
    size_t position_ = 0;
    uint64_t bitAccumulator_ = 0;
    int bitCount_ = 0;

    QuantizationTable qt_[4];
    // The quantizers the sampled coefficients were divided by, tables 0 and
    // 1 as SampleHDC found them: the file must carry these, even when the
    // quality changed after sampling.
    int16_t sampledQ_[2][64] = {};
    alignas(32) float mTransposed_[4][64] = {};  // M of each table at index u * 8 + v
    HuffmanTable dcTables_[4];
    HuffmanTable acTables_[4];
    CodeLookup dcLookup_[2];
    CodeLookup acLookup_[2];
    std::vector<Component> components_;
    int32_t quality_ = 0;
    std::string comment_;
    size_t firstBufferLimit_ = 0;
};

}  // namespace nimbrel

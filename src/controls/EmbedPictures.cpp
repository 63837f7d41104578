// A build tool, not part of the program: writes the C++ file that compiles the
// weather pictures into the controls library, each as its JPEG file and as
// the pixels libjpeg-turbo decodes from it, laid out as the tile's 24-bit
// bitmap holds them (bottom-up rows of blue, green, red, each padded to 4
// bytes). The program then copies pixels instead of starting a JPEG decoder
// for every picture of every tile.
//
//   embed-pictures OUT.cpp NAME=FILE.jpg ...
#include <turbojpeg.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace {

void Bytes(std::ostream& out, const std::vector<unsigned char>& bytes) {
    for (size_t i = 0; i < bytes.size(); ++i) out << (i % 24 == 0 ? "\n    " : "") << unsigned(bytes[i]) << ',';
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: embed-pictures OUT.cpp NAME=FILE.jpg ...\n");
        return 2;
    }
    std::ostringstream body, table;
    tjhandle tj = tjInitDecompress();
    for (int a = 2; a < argc; ++a) {
        const std::string arg = argv[a];
        const size_t eq = arg.find('=');
        const std::string name = arg.substr(0, eq), path = arg.substr(eq + 1);
        std::ifstream in(path, std::ios::binary);
        std::vector<unsigned char> jpeg((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        int w = 0, h = 0, sub = 0, space = 0;
        if (eq == std::string::npos || jpeg.empty() ||
            tjDecompressHeader3(tj, jpeg.data(), (unsigned long)jpeg.size(), &w, &h, &sub, &space) != 0 || w <= 0 ||
            h <= 0 || w > 4096 || h > 4096) {
            std::fprintf(stderr, "embed-pictures: %s is no readable JPEG picture\n", path.c_str());
            return 1;
        }
        const int stride = (3 * w + 3) / 4 * 4;
        std::vector<unsigned char> pixels(size_t(stride) * size_t(h), 0);
        if (tjDecompress2(tj, jpeg.data(), (unsigned long)jpeg.size(), pixels.data(), w, stride, h, TJPF_BGR,
                          TJFLAG_BOTTOMUP) != 0) {
            std::fprintf(stderr, "embed-pictures: %s: %s\n", path.c_str(), tjGetErrorStr2(tj));
            return 1;
        }
        body << "const unsigned char k_" << name << "[] = {";
        Bytes(body, jpeg);
        body << "};\nconst unsigned char k_" << name << "_pixels[] = {";
        Bytes(body, pixels);
        body << "};\n";
        table << "    {{k_" << name << ", sizeof k_" << name << "}, {k_" << name << "_pixels, " << w << ", " << h
              << ", " << stride << "}},\n";
    }
    tjDestroy(tj);
    std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
    out << "// Made by embed-pictures from src/controls/pictures; do not edit.\n"
           "#include \"controls/WeatherPictures.h\"\n\n"
           "namespace nimbrel::controls {\nnamespace {\n"
        << body.str()
        << "struct Embedded {\n    JpegBytes jpeg;\n    PictureBits bits;\n};\n"
           "const Embedded kPictures[] = {\n"
        << table.str()
        << "};\nconstexpr int kCount = int(sizeof kPictures / sizeof kPictures[0]);\n}  // namespace\n\n"
           "JpegBytes EmbeddedPictureBytes(int index) {\n"
           "    return index < 0 || index >= kCount ? JpegBytes{} : kPictures[index].jpeg;\n}\n\n"
           "PictureBits EmbeddedPictureBits(int index) {\n"
           "    return index < 0 || index >= kCount ? PictureBits{} : kPictures[index].bits;\n}\n\n"
           "}  // namespace nimbrel::controls\n";
    out.close();
    if (!out) {
        std::fprintf(stderr, "embed-pictures: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}

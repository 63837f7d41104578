#pragma once
// A scratch program folder for store tests, and whole-file reads and writes.
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "store/SettingsStore.h"

namespace nimbrel::testing {

struct StoreFolder {
    std::filesystem::path path;
    StoreFolder() {
        std::string tmpl = (std::filesystem::temp_directory_path() / "nimbrel-store-XXXXXX").string();
        path = ::mkdtemp(tmpl.data());
    }
    ~StoreFolder() {
        std::error_code ec;
        std::filesystem::permissions(path, std::filesystem::perms::owner_all, ec);
        std::filesystem::remove_all(path, ec);
    }
    std::string Settings() const { return (path / "settings.txt").string(); }
    SettingsStore Store() const {
        SettingsStore s;
        s.SetFolder(path.string());
        return s;
    }
};

inline std::string Bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void Put(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

// count readings appended one by one, unlike their neighbours' often
// enough that thinning keeps most of them.
inline void Readings(SettingsStore& s, int from, int count) {
    for (int i = from; i < from + count; ++i) {
        s.LastReading = "Sunny," + std::to_string(i % 50) + ",50,x";
        s.AppendReading();
    }
}

inline int Entries(std::string_view list) {
    if (list.empty()) return 0;
    int n = 1;
    for (char c : list) n += c == ',';
    return n;
}

}  // namespace nimbrel::testing

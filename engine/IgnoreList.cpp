// The ignore list: "ignore.lst" in the current directory, one file path per line.
#include <cstdio>
#include <cstring>

#include "engine/RegistryLib.h"

namespace {
constexpr const char* IGNORE_FILE = "ignore.lst";
}

void CRegistryLib::LoadIgnoreList() {
    ignoreList.clear();
    FILE* f = std::fopen(IGNORE_FILE, "rt");
    if (!f) return;
    char line[1000];
    while (std::fgets(line, sizeof line, f)) {
        size_t n = std::strlen(line);
        if (n > 0 && line[n - 1] == '\n') line[--n] = '\0';
        auto entry = std::make_unique<RegistryError>();
        entry->filePath.assign(line, n);
        ignoreList.push_back(std::move(entry));
    }
    std::fclose(f);
}

int CRegistryLib::SaveIgnoreList() {
    FILE* f = std::fopen(IGNORE_FILE, "w+t");
    if (!f) return 0;
    for (const auto& entry : ignoreList) {
        if (!entry) continue;
        std::fputs(entry->filePath.c_str(), f);
        std::fputc('\n', f);
    }
    return std::fclose(f);
}

int CRegistryLib::IsIgnored(const std::string& path) const {
    for (const auto& entry : ignoreList)
        if (entry && entry->filePath == path) return 1;
    return 0;
}

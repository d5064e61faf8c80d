// The ignore list: "ignore.lst" in the data folder, one file path per line.
#include <cstdio>
#include <cstring>

#include "platform/DataFolder.h"
#include "engine/RegistryLib.h"

void CRegistryLib::LoadIgnoreList() {
    ignoreList.clear();
    FILE* f = std::fopen(IgnoreListPath().c_str(), "rt");
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
    FILE* f = std::fopen(IgnoreListPath().c_str(), "w+t");
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

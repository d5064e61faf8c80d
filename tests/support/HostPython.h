// Runs a Python script on the host (a real CSV, JSON or XML reader for what the program wrote).
#pragma once
#include <string>
#include <vector>

#include "support/TestSupport.h"
#include "support/WindowTestKit.h"

// Writes `script` into `folder` and runs it with the host's python3, its arguments the host paths
// of `windowsPaths`, then `words` as they are. True when it ended with status 0.
inline bool RunPython(const std::string& folder, const std::string& script, const std::vector<std::string>& windowsPaths,
                      const std::vector<std::string>& words = {}) {
    const std::string scriptPath = folder + "\\check.py";
    WriteTextFile(scriptPath, script);
    std::string command = "/usr/bin/python3 '" + HostPathOf(scriptPath) + "'";
    for (const auto& path : windowsPaths) command += " '" + HostPathOf(path) + "'";
    for (const auto& word : words) command += " '" + word + "'";
    return RunHost(command, 60000);
}

// Python that reads rows back: fields joined by \x1f, rows ended by \x1e, in the given encoding.
inline std::vector<std::vector<std::string>> ReadRows(const std::string& text) {
    std::vector<std::vector<std::string>> rows;
    size_t start = 0;
    for (size_t end; (end = text.find('\x1e', start)) != std::string::npos; start = end + 1) {
        std::vector<std::string> row;
        const std::string line = text.substr(start, end - start);
        size_t from = 0;
        for (size_t cut; (cut = line.find('\x1f', from)) != std::string::npos; from = cut + 1) row.push_back(line.substr(from, cut - from));
        row.push_back(line.substr(from));
        rows.push_back(row);
    }
    return rows;
}

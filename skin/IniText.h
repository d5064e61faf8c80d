// An INI text parsed in memory, answering as the platform's profile-string reads do (no window headers).
#pragma once
#include <string>
#include <vector>

// Sections and keys are found case-insensitively (ASCII letters), the first occurrence wins, lines
// starting with ";" are comments, white space around names and values is trimmed, a value in
// matching quotes loses them (a key name keeps them), the empty section name reads the keys above
// the first header, and answers are cut to the caller's buffer size as the profile
// functions cut them.
class IniDocument {
public:
    IniDocument() = default;
    explicit IniDocument(const std::string& text);

    // Key names of the first section called `section`, in file order, as a key-list read into a
    // buffer of `bufferChars` characters returns them. Empty when the section is absent.
    std::vector<std::string> Keys(const std::string& section, size_t bufferChars) const;
    // The value of the first key `key` of the first section `section`, or `defaultValue`, cut to
    // bufferChars - 1 characters.
    std::string Value(const std::string& section, const std::string& key, const std::string& defaultValue,
                      size_t bufferChars) const;

private:
    struct Key {
        std::string name, value;
        bool hasValue = false;
    };
    struct Section {
        std::string name;
        std::vector<Key> keys;
    };
    const Section* Find(const std::string& name, bool trimName) const;
    std::vector<Section> sections_;
};

#include "unsavedentries.h"

#include <cstdio>
#include <filesystem>

namespace store {
namespace {

std::string quoted(const std::string& field)
{
    std::string out = "\"";
    for (const char c : field) {
        out += c;
        if (c == '"')
            out += '"';
    }
    return out + '"';
}

} // namespace

std::string unsavedPath(const std::string& databasePath)
{
    return std::filesystem::path(databasePath).replace_extension(".unsaved.csv").string();
}

bool appendUnsaved(const std::string& path, const std::string& term, const std::string& definition)
{
    const std::string record = quoted(term) + "," + quoted(definition) + "\r\n";
    std::FILE* file = std::fopen(path.c_str(), "ab");
    if (!file)
        return false;
    const bool written = std::fwrite(record.data(), 1, record.size(), file) == record.size();
    return std::fclose(file) == 0 && written;
}

} // namespace store

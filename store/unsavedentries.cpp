// SPDX-License-Identifier: MIT
#include "unsavedentries.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <utility>

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

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

// A file descriptor closed as it goes.
class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) { }
    ~Descriptor()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;

    int get() const { return fd_; }
    // Closes now: false when the close reports an error (a write lost).
    bool close() { return ::close(std::exchange(fd_, -1)) == 0; }

private:
    int fd_;
};

bool writeAll(int fd, const std::string& data)
{
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t written = ::write(fd, data.data() + done, data.size() - done);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        done += static_cast<std::size_t>(written);
    }
    return true;
}

// A new file's name reaches the disk with its folder.
void syncFolder(const std::string& path)
{
    const Descriptor folder(
        ::open(std::filesystem::path(path).parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.get() >= 0)
        ::fsync(folder.get());
}

// Each folder of `folder` that is missing, made private to the user as the
// XDG base directories ask. False when one cannot be made.
bool makeFolders(const std::filesystem::path& folder)
{
    std::filesystem::path made;
    for (const auto& part : folder) {
        made /= part;
        if (::mkdir(made.c_str(), 0700) != 0 && errno != EEXIST)
            return false;
    }
    return true;
}

std::string homeFolder()
{
    if (const char* home = std::getenv("HOME"); home && *home)
        return home;
    const passwd* user = ::getpwuid(::getuid());
    return user && user->pw_dir ? user->pw_dir : "";
}

} // namespace

std::string unsavedPath(const std::string& databasePath)
{
    return std::filesystem::path(databasePath).replace_extension(".unsaved.csv").string();
}

std::string userUnsavedPath()
{
    // A relative XDG_DATA_HOME is invalid and ignored.
    std::filesystem::path dataHome;
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg == '/')
        dataHome = xdg;
    else if (const std::string home = homeFolder(); !home.empty())
        dataHome = std::filesystem::path(home) / ".local" / "share";
    else
        return {};
    return (dataHome / "Verbrio" / "unsaved.csv").string();
}

bool appendUnsaved(const std::string& path, const std::string& term, const std::string& definition)
{
    const std::string record = quoted(term) + "," + quoted(definition) + "\r\n";
    // O_NONBLOCK: a FIFO without a reader fails at once instead of hanging.
    Descriptor file(::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0666));
    if (file.get() < 0)
        return false;
    // Another copy of the program may be appending too.
    while (::flock(file.get(), LOCK_EX) != 0) {
        if (errno != EINTR)
            return false;
    }
    struct stat status = {};
    if (::fstat(file.get(), &status) != 0 || !S_ISREG(status.st_mode) || status.st_nlink != 1)
        return false;
    if (!writeAll(file.get(), record) || ::fsync(file.get()) != 0) {
        // No part of a record is left behind.
        if (::ftruncate(file.get(), status.st_size) == 0)
            ::fsync(file.get());
        return false;
    }
    if (status.st_size == 0)
        syncFolder(path);
    return file.close();
}

std::string keepUnsaved(const std::string& databasePath, const std::string& term, const std::string& definition)
{
    if (std::string beside = unsavedPath(databasePath); appendUnsaved(beside, term, definition))
        return beside;
    std::string own = userUnsavedPath();
    if (own.empty() || !makeFolders(std::filesystem::path(own).parent_path()) || !appendUnsaved(own, term, definition))
        return {};
    return own;
}

} // namespace store

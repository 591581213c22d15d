// SPDX-License-Identifier: MIT
#pragma once

// Read-only files as a user meets them: file permissions do not hold for
// root, so a test that runs as root drops to an unprivileged user for a while.

#include <QFile>
#include <QString>
#include <QtGlobal>

#include <unistd.h>

// The file and its folder read-only for everyone, so that not even a journal
// can be made beside it. False when the permissions could not be set.
inline bool makeReadOnly(const QString& file, const QString& folder)
{
    constexpr auto readAndEnter =
        QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther;
    return QFile::setPermissions(file, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther)
           && QFile::setPermissions(folder, readAndEnter);
}

// While it lives, the process's effective user is "nobody", for whom file
// permissions hold. Does nothing when not root.
class UnprivilegedUser {
public:
    UnprivilegedUser()
    {
        if (geteuid() != 0)
            return;
        dropped_ = setegid(kNobody) == 0 && seteuid(kNobody) == 0;
        ok_ = dropped_;
    }
    ~UnprivilegedUser()
    {
        if (dropped_ && (seteuid(0) != 0 || setegid(0) != 0))
            qFatal("cannot return to root");
    }
    UnprivilegedUser(const UnprivilegedUser&) = delete;
    UnprivilegedUser& operator=(const UnprivilegedUser&) = delete;

    // False when running as root and the user could not be changed.
    bool ok() const { return ok_; }

private:
    static constexpr uid_t kNobody = 65534;
    bool dropped_ = false;
    bool ok_ = true;
};

// SPDX-License-Identifier: MIT
#include "deckinit.h"

#include "deckerror.h"
#include "schema.h"

#include <QFile>
#include <QFileInfo>
#include <QString>

#include <SQLiteCpp/Database.h>

namespace deck {

void initDeck(const QString& path)
{
    const std::string shown = path.toStdString();
    // Creating the file exclusively, rather than checking first, leaves no
    // moment in which another file could appear and then be overwritten.
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        if (QFileInfo::exists(path) || QFileInfo(path).isSymLink())
            throw deckError(DeckErrorCode::FileExists,
                            "'" + shown
                                + "' already exists; init writes only a new file and has left this one untouched");
        throw deckError(DeckErrorCode::CannotWrite,
                        "Cannot create '" + shown + "': " + file.errorString().toStdString());
    }
    file.close();

    try {
        SQLite::Database db(QFile::encodeName(path).toStdString(), SQLite::OPEN_READWRITE);
        db.exec(store::kCreateQuestionsTable);
    } catch (const SQLite::Exception& e) {
        QFile::remove(path); // only the file made above, never one that was there
        throw store::Error(e.getErrorCode(), "Cannot write the deck '" + shown + "': " + e.what());
    }
}

} // namespace deck

#include "kvtml.h"

#include "deckerror.h"
#include "sourcelines.h"

#include <QByteArray>
#include <QRegularExpression>
#include <QString>
#include <QXmlStreamReader>

#include <map>
#include <vector>

namespace deck {
namespace {

struct Identifier {
    QString id;
    QString name;
};

struct KvtmlEntry {
    long line = 0;
    QString id;
    std::map<QString, QString> translations; // identifier id -> text
};

long lineOf(const QXmlStreamReader& xml)
{
    return static_cast<long>(xml.lineNumber());
}

// Inside <identifiers>: each <identifier id="…"><name>…</name>.
std::vector<Identifier> readIdentifiers(QXmlStreamReader& xml)
{
    std::vector<Identifier> identifiers;
    while (xml.readNextStartElement()) {
        if (xml.name() != u"identifier") {
            xml.skipCurrentElement();
            continue;
        }
        Identifier identifier{xml.attributes().value(QLatin1String("id")).toString(), {}};
        while (xml.readNextStartElement()) {
            if (xml.name() == u"name")
                identifier.name = xml.readElementText(QXmlStreamReader::IncludeChildElements);
            else
                xml.skipCurrentElement();
        }
        identifiers.push_back(identifier);
    }
    return identifiers;
}

// Inside <translation>: the <text>; comments, grades and the like are skipped.
QString readTranslationText(QXmlStreamReader& xml)
{
    QString text;
    while (xml.readNextStartElement()) {
        if (xml.name() == u"text")
            text = xml.readElementText(QXmlStreamReader::IncludeChildElements);
        else
            xml.skipCurrentElement();
    }
    return text;
}

KvtmlEntry readEntry(QXmlStreamReader& xml)
{
    KvtmlEntry entry{lineOf(xml), xml.attributes().value(QLatin1String("id")).toString(), {}};
    while (xml.readNextStartElement()) {
        if (xml.name() == u"translation") {
            const QString id = xml.attributes().value(QLatin1String("id")).toString();
            entry.translations.emplace(id, readTranslationText(xml));
        } else {
            xml.skipCurrentElement();
        }
    }
    return entry;
}

// Whether the document is UTF-8: no UTF-16 or UTF-32 byte-order mark or
// zero bytes in its first characters, and no other encoding declared.
bool isUtf8(const QByteArray& source)
{
    if (source.startsWith(QByteArrayView(kUtf8Mark.data(), qsizetype(kUtf8Mark.size()))))
        return true;
    if (source.startsWith("\xFE\xFF") || source.startsWith("\xFF\xFE") || source.left(4).contains('\0'))
        return false;
    static const QRegularExpression declaration(R"(^\s*<\?xml[^>]*encoding\s*=\s*["']([^"']*)["'])");
    const QRegularExpressionMatch match = declaration.match(QString::fromLatin1(source.left(200)));
    return !match.hasMatch() || match.captured(1).compare(u"UTF-8", Qt::CaseInsensitive) == 0;
}

// Reads the whole document: its languages and its entries, in order.
void readDocument(QXmlStreamReader& xml, std::vector<Identifier>& identifiers, std::vector<KvtmlEntry>& entries)
{
    if (!xml.readNextStartElement())
        return; // no root element: the reader has raised its error
    if (xml.name() != u"kvtml")
        throw malformedLine(lineOf(xml), "is not KVTML: the document's root element is <" + xml.name().toString().toStdString() + ">");
    const QString version = xml.attributes().value(QLatin1String("version")).toString();
    if (!version.startsWith(u"2"))
        throw malformedLine(lineOf(xml), "is KVTML version " + (version.isEmpty() ? std::string("(none)") : version.toStdString()) +
                                             "; only version 2.0 is read");
    while (xml.readNextStartElement()) {
        if (xml.name() == u"identifiers") {
            identifiers = readIdentifiers(xml);
        } else if (xml.name() == u"entries") {
            while (xml.readNextStartElement()) {
                if (xml.name() == u"entry")
                    entries.push_back(readEntry(xml));
                else
                    xml.skipCurrentElement();
            }
        } else {
            xml.skipCurrentElement(); // information, lessons, word types…
        }
    }
    while (!xml.atEnd())
        xml.readNext(); // what follows the root must be well-formed too
}

} // namespace

void readKvtml(const QByteArray& source, SourceSink& sink)
{
    // QXmlStreamReader decodes ahead of its tokens and so reports a wrongly
    // encoded byte on the wrong line; UTF-8 lines are checked here first.
    if (isUtf8(source))
        for (const SourceLine& line : splitLines(std::string_view(source.constData(), static_cast<std::size_t>(source.size()))))
            checkEncoding(line);

    QXmlStreamReader xml(source);
    std::vector<Identifier> identifiers;
    std::vector<KvtmlEntry> entries;
    readDocument(xml, identifiers, entries);
    if (xml.hasError())
        throw malformedLine(lineOf(xml), "is not well-formed XML: " + xml.errorString().toStdString());

    if (identifiers.size() < 2)
        identifiers = {{QStringLiteral("0"), {}}, {QStringLiteral("1"), {}}};
    const Identifier sides[] = {identifiers[0], identifiers[1]};

    for (const KvtmlEntry& entry : entries) {
        QString texts[2];
        const Identifier* missing = nullptr;
        for (int side = 0; side < 2; ++side) {
            const auto found = entry.translations.find(sides[side].id);
            if (found != entry.translations.end())
                texts[side] = found->second;
            if (texts[side].trimmed().isEmpty() && !missing)
                missing = &sides[side];
        }
        if (missing) {
            const QString language = missing->name.isEmpty() ? "language " + missing->id : missing->name;
            sink.note("line " + std::to_string(entry.line) + ": entry " + entry.id.toStdString() + " has no text in " +
                      language.toStdString() + "; left out");
            continue;
        }
        sink.entry({entry.line, texts[0].toStdString(), texts[1].toStdString()});
    }
}

} // namespace deck

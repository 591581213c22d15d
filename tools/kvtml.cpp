// SPDX-License-Identifier: MIT
#include "kvtml.h"

#include "deckerror.h"
#include "sourcelines.h"
#include "textencoding.h"

#include <QByteArray>
#include <QRegularExpression>
#include <QString>
#include <QXmlStreamReader>

#include <algorithm>
#include <map>
#include <tuple>
#include <vector>

namespace deck {
namespace {

struct Language {
    QString id;
    QString name;
    QString locale;

    QString shown() const { return !name.isEmpty() ? name : "language " + (locale.isEmpty() ? id : locale); }
};

struct Translation {
    QString text;
    QString comment;
};

struct KvtmlEntry {
    long line = 0;
    QString id;
    std::map<QString, Translation> translations; // language id -> its texts
};

struct Document {
    std::vector<Language> languages;
    std::vector<KvtmlEntry> entries;
};

// The encoding of a document that begins with a UTF-16 or UTF-32 mark.
constexpr const char* kMarked = "byte-order mark";

long lineOf(const QXmlStreamReader& xml)
{
    return static_cast<long>(xml.lineNumber());
}

// The text inside the current element, that of its children included. An
// entity reference the reader could not resolve stops the reading: leaving
// it out would store a text with a hole in it.
QString elementText(QXmlStreamReader& xml)
{
    QString text;
    int depth = 1;
    while (depth > 0 && !xml.atEnd()) {
        switch (xml.readNext()) {
        case QXmlStreamReader::Characters: text += xml.text(); break;
        case QXmlStreamReader::StartElement: ++depth; break;
        case QXmlStreamReader::EndElement: --depth; break;
        case QXmlStreamReader::EntityReference:
            throw malformedLine(lineOf(xml), "refers to the entity '" + xml.name().toString().toStdString()
                                                 + "', which is not one of XML's five (&amp; &lt; &gt; &quot; &apos;)");
        default: break;
        }
    }
    return text;
}

// Inside <identifiers>: each <identifier id="…"> with its <name> and <locale>.
std::vector<Language> readIdentifiers(QXmlStreamReader& xml)
{
    std::vector<Language> languages;
    while (xml.readNextStartElement()) {
        if (xml.name() != u"identifier") {
            xml.skipCurrentElement();
            continue;
        }
        Language language{xml.attributes().value(QLatin1String("id")).toString(), {}, {}};
        while (xml.readNextStartElement()) {
            if (xml.name() == u"name")
                language.name = elementText(xml);
            else if (xml.name() == u"locale")
                language.locale = elementText(xml);
            else
                xml.skipCurrentElement();
        }
        languages.push_back(language);
    }
    return languages;
}

// Inside <translation>: the <text> and the <comment>; grades and the like are skipped.
Translation readTranslation(QXmlStreamReader& xml)
{
    Translation translation;
    while (xml.readNextStartElement()) {
        if (xml.name() == u"text")
            translation.text = elementText(xml);
        else if (xml.name() == u"comment")
            translation.comment = elementText(xml);
        else
            xml.skipCurrentElement();
    }
    return translation;
}

KvtmlEntry readEntry(QXmlStreamReader& xml)
{
    KvtmlEntry entry{lineOf(xml), xml.attributes().value(QLatin1String("id")).toString(), {}};
    while (xml.readNextStartElement()) {
        if (xml.name() == u"translation") {
            const QString id = xml.attributes().value(QLatin1String("id")).toString();
            entry.translations.emplace(id, readTranslation(xml));
        } else {
            xml.skipCurrentElement();
        }
    }
    return entry;
}

// KVTML 2: <identifiers> names the languages, each <entry> holds a
// <translation id="…"> in some of them.
void readVersion2(QXmlStreamReader& xml, Document& document)
{
    while (xml.readNextStartElement()) {
        if (xml.name() == u"identifiers") {
            document.languages = readIdentifiers(xml);
        } else if (xml.name() == u"entries") {
            while (xml.readNextStartElement()) {
                if (xml.name() == u"entry")
                    document.entries.push_back(readEntry(xml));
                else
                    xml.skipCurrentElement();
            }
        } else {
            xml.skipCurrentElement(); // information, lessons, word types…
        }
    }
}

// KVTML 1: each <e> holds the original <o> and its translations <t>, each
// with its language in the attribute l, or none.
void readVersion1(QXmlStreamReader& xml, Document& document)
{
    const auto languageOf = [&](const QString& fallback) {
        const QString id = xml.attributes().value(QLatin1String("l")).toString();
        return id.isEmpty() ? fallback : id;
    };
    const auto remember = [&](const QString& id) {
        if (std::none_of(document.languages.begin(), document.languages.end(),
                         [&](const Language& known) { return known.id == id; }))
            document.languages.push_back({id, {}, id});
    };
    while (xml.readNextStartElement()) {
        if (xml.name() != u"e") {
            xml.skipCurrentElement(); // lessons, options, articles…
            continue;
        }
        KvtmlEntry entry{lineOf(xml), QString::number(document.entries.size()), {}};
        int translations = 0;
        while (xml.readNextStartElement()) {
            const bool original = xml.name() == u"o";
            if (!original && xml.name() != u"t") {
                xml.skipCurrentElement();
                continue;
            }
            const QString id = languageOf(original ? QStringLiteral("0") : QString::number(++translations));
            remember(id);
            entry.translations.emplace(id, Translation{elementText(xml), {}});
        }
        document.entries.push_back(entry);
    }
}

void readDocument(QXmlStreamReader& xml, Document& document)
{
    while (!xml.atEnd() && !xml.isStartElement()) {
        if (xml.readNext() == QXmlStreamReader::DTD && !xml.entityDeclarations().isEmpty())
            throw malformedLine(
                lineOf(xml), "declares the entity '" + xml.entityDeclarations().front().name().toString().toStdString()
                                 + "'; entities other than XML's five (&amp; &lt; &gt; &quot; &apos;) are not read");
    }
    if (xml.atEnd())
        return; // no root element: the reader has raised its error
    if (xml.name() != u"kvtml")
        throw malformedLine(lineOf(xml), "is not KVTML: the document's root element is <"
                                             + xml.name().toString().toStdString() + ">");
    const QString version = xml.attributes().value(QLatin1String("version")).toString();
    if (version.startsWith(u"2"))
        readVersion2(xml, document);
    else if (version.isEmpty() || version.startsWith(u"1") || version.startsWith(u"0"))
        readVersion1(xml, document);
    else
        throw malformedLine(lineOf(xml), "is KVTML version " + version.toStdString() + "; versions 1 and 2 are read");
    while (!xml.atEnd())
        xml.readNext(); // what follows the root must be well-formed too
}

// The encoding the document is in: a byte-order mark, else the one given,
// else the one its XML declaration names, else UTF-8.
std::string encodingOf(const QByteArray& source, const std::string& given)
{
    if (source.startsWith(QByteArrayView(kUtf8Mark.data(), qsizetype(kUtf8Mark.size()))))
        return "UTF-8";
    if (source.startsWith("\xFE\xFF") || source.startsWith("\xFF\xFE")
        || source.startsWith(QByteArray("\0\0\xFE\xFF", 4)))
        return kMarked;
    if (!given.empty())
        return given;
    if (source.left(4).contains('\0'))
        return "UTF-16"; // without a mark: iconv's UTF-16 takes big-endian, the XML default
    static const QRegularExpression declaration(R"(^\s*<\?xml[^>]*encoding\s*=\s*["']([^"']*)["'])");
    const QString start = QString::fromLatin1(source.left(200));
    const QRegularExpressionMatch match = declaration.match(start);
    if (!match.hasMatch())
        return "UTF-8";
    std::string declared = match.captured(1).toStdString();
    try {
        requireKnownEncoding(declared);
    } catch (const store::Error&) {
        // The file is at fault, not the command line.
        throw malformedLine(static_cast<long>(start.left(match.capturedStart(1)).count(u'\n')) + 1,
                            "declares the encoding '" + declared
                                + "', which is not known; give the file's encoding with --encoding");
    }
    return declared;
}

// The two languages that become term and definition: those --languages
// names (by id, locale or name), else the first two. With one language its
// comment becomes the definition: `second` is then null.
std::pair<const Language*, const Language*> chooseLanguages(const Document& document, const QStringList& wanted)
{
    const auto& languages = document.languages;
    if (!wanted.isEmpty()) {
        const Language* chosen[2] = {};
        for (int side = 0; side < 2; ++side) {
            const auto found = std::find_if(languages.begin(), languages.end(), [&](const Language& language) {
                return language.id == wanted[side] || language.locale.compare(wanted[side], Qt::CaseInsensitive) == 0
                       || language.name.compare(wanted[side], Qt::CaseInsensitive) == 0;
            });
            if (found == languages.end()) {
                QStringList known;
                for (const Language& language : languages)
                    known << language.id + (language.locale.isEmpty() ? QString() : " (" + language.locale + ")");
                throw usageError("the KVTML file has no language '" + wanted[side].toStdString() + "'; it has "
                                 + (known.isEmpty() ? QStringLiteral("none") : known.join(", ")).toStdString());
            }
            chosen[side] = &*found;
        }
        return {chosen[0], chosen[1] == chosen[0] ? nullptr : chosen[1]};
    }
    if (languages.empty())
        return {nullptr, nullptr};
    return {&languages[0], languages.size() > 1 ? &languages[1] : nullptr};
}

const Translation* translationIn(const KvtmlEntry& entry, const Language& language)
{
    const auto found = entry.translations.find(language.id);
    return found == entry.translations.end() ? nullptr : &found->second;
}

bool blank(const QString& text)
{
    return text.trimmed().isEmpty();
}

} // namespace

void readKvtml(const QByteArray& source, const ReadOptions& options, SourceSink& sink)
{
    const std::string encoding = encodingOf(source, options.encoding);
    const std::string_view bytes(source.constData(), static_cast<std::size_t>(source.size()));
    QXmlStreamReader xml;
    QString decoded;
    if (QString::fromStdString(encoding).compare(u"UTF-8", Qt::CaseInsensitive) == 0) {
        // QXmlStreamReader decodes ahead of its tokens and so reports a wrongly
        // encoded byte on the wrong line; UTF-8 lines are checked here first.
        for (const SourceLine& line : splitLines(bytes))
            checkEncoding(line);
        xml.addData(source);
    } else {
        // Decoded here, strictly: the reader itself would put U+FFFD in place
        // of bytes its encoding does not have. Text handed over decoded is
        // not decoded again, whatever its declaration says.
        decoded = QString::fromStdString(toUtf8(bytes, encoding == kMarked ? std::string() : encoding));
        xml.addData(decoded);
    }

    Document document;
    readDocument(xml, document);
    if (xml.hasError())
        throw malformedLine(lineOf(xml), "is not well-formed XML: " + xml.errorString().toStdString());

    if (document.languages.empty() && options.languages.isEmpty())
        document.languages = {{QStringLiteral("0"), {}, {}}, {QStringLiteral("1"), {}, {}}};
    // Not a structured binding: clang before 16, which lints this code, cannot capture one in a lambda.
    const Language* first = nullptr;
    const Language* second = nullptr;
    std::tie(first, second) = chooseLanguages(document, options.languages);

    if (options.languages.isEmpty() && document.languages.size() > 2) {
        QStringList all;
        for (const Language& language : document.languages)
            all << language.id + (language.locale.isEmpty() ? QString() : " (" + language.locale + ")");
        sink.advise("read " + first->shown().toStdString() + " as the term and " + second->shown().toStdString()
                        + " as the definition, of its " + std::to_string(document.languages.size())
                        + " languages: " + all.join(", ").toStdString(),
                    {RemedyKind::Languages, {}});
    }

    // Words in one language with no comment anywhere: nothing to learn them by.
    const bool anyDefinition =
        std::any_of(document.entries.begin(), document.entries.end(), [&](const KvtmlEntry& entry) {
            const Translation* term = translationIn(entry, *first);
            const Translation* definition = second ? translationIn(entry, *second) : term;
            return definition && !blank(second ? definition->text : definition->comment);
        });
    if (!document.entries.empty() && !anyDefinition)
        throw SourceError(DeckErrorCode::NothingToImport, "", 0,
                          "it holds words without definitions: "
                              + (second ? "none of its entries has text in " + second->shown().toStdString()
                                        : "its one language, " + first->shown().toStdString()
                                              + ", has no <comment> to take as the definition"),
                          document.languages.size() > 2 ? Remedy{RemedyKind::Languages, {}} : Remedy{});

    for (const KvtmlEntry& entry : document.entries) {
        const Translation* term = translationIn(entry, *first);
        const Translation* definition = second ? translationIn(entry, *second) : term;
        const QString termText = term ? term->text : QString();
        const QString definitionText = definition ? (second ? definition->text : definition->comment) : QString();
        if (blank(termText))
            sink.leftOut(entry.line, ("without text in " + first->shown()).toStdString());
        else if (blank(definitionText))
            sink.leftOut(entry.line, second ? ("without text in " + second->shown()).toStdString()
                                            : std::string("without a comment"));
        else
            sink.entry({entry.line, termText.toStdString(), definitionText.toStdString()});
    }
}

void readKvtmlSource(const SourceInput& input, const ReadOptions& options, SourceSink& sink)
{
    readKvtml(input.bytes, options, sink);
}

} // namespace deck

// The ini store: parsing, saving and the typed reads and writes.
#include "TIniFile.h"

#include "FileSystem.h"
#include "TextFunctions.h"
#include "files/PlatformAtomicFile.h"
#include "files/PlatformRegularFile.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace Tr {

namespace
{
// Shortest line that is a section header: "[", a name of two or more
// characters, "]".
constexpr int kMinHeaderLength = 4;

bool isHeader(const TString& line)
{
    const int length = line.length();
    return length >= kMinHeaderLength && line.charAt(0) == '[' && line.charAt(length - 1) == ']';
}

// Whether value, written bare after "key=", would read back as something else.
bool needsQuoting(const TString& value)
{
    const char first = value.charAt(0);
    if (first == ' ' || first == '\t' || first == '"')
        return true;
    return value.indexOf('\n') >= 0 || value.indexOf('\r') >= 0;
}

// value in double quotes, with the escapes that the key=value reading undoes.
TString quoted(const TString& value)
{
    std::string text = "\"";
    for (const char* p = value.c_str(); *p != '\0'; ++p)
    {
        switch (*p)
        {
        case '\\': text += "\\\\"; break;
        case '"': text += "\\\""; break;
        case '\n': text += "\\n"; break;
        case '\r': text += "\\r"; break;
        default: text += *p; break;
        }
    }
    text += '"';
    return TString(text.c_str(), static_cast<int>(text.size()));
}

const TStringList& emptySection()
{
    static const TStringList empty;
    return empty;
}
} // namespace

TIniFile::TIniFile() = default;

TIniFile::TIniFile(const TString& fileName) : m_fileName(fileName) {}

TIniFile::~TIniFile() = default;

bool TIniFile::load()
{
    TStringList lines;
    if (!lines.loadFromFile(m_fileName))
    {
        m_sections.clear();
        return false;
    }
    parse(lines);
    return true;
}

void TIniFile::parse(const TStringList& lines)
{
    m_sections.clear();
    TString current;
    bool inSection = false;
    for (int i = 0; i < lines.count(); ++i)
    {
        const TString& line = lines.at(i);
        if (isHeader(line))
        {
            current = line.substring(1, line.length() - 2);
            inSection = true;
        }
        else if (inSection)
        {
            m_sections[current].add(line);
        }
    }
}

TString TIniFile::toText() const
{
    std::string text;
    for (const auto& [name, lines] : m_sections)
    {
        text += '[';
        text += name.c_str();
        text += "]\n";
        for (int i = 0; i < lines.count(); ++i)
        {
            if (lines.at(i).isEmpty())
                continue;
            text += lines.at(i).c_str();
            text += '\n';
        }
        text += '\n';
    }
    return TString(text.c_str(), static_cast<int>(text.size()));
}

bool TIniFile::save()
{
    createDirectories(extractDirectory(m_fileName));
    if (m_fileName.isEmpty() || directoryExists(m_fileName))
        return false;
    // A file that exists must be a regular file and writable itself; opening
    // it for appending (without waiting, as on a FIFO) tells so without
    // changing it.
    if (fileExists(m_fileName))
    {
        std::FILE* probe = PlatformRegularFile::open(m_fileName.c_str(), "ab");
        if (probe == nullptr)
            return false;
        std::fclose(probe);
    }
    // The new text replaces the old file only once it is wholly written, so a
    // full disk or a failed write leaves the old file as it was.
    const TString text = toText();
    return PlatformAtomicFile::replaceContents(m_fileName.c_str(), text.c_str(), static_cast<size_t>(text.length()));
}

const TStringList& TIniFile::getSection(const TString& name, bool* found) const
{
    const auto it = m_sections.find(name);
    if (found != nullptr)
        *found = it != m_sections.end();
    return it != m_sections.end() ? it->second : emptySection();
}

TStringList* TIniFile::findSection(const TString& name)
{
    const auto it = m_sections.find(name);
    return it != m_sections.end() ? &it->second : nullptr;
}

TString TIniFile::readString(const TString& section, const TString& key, const TString& def)
{
    TStringList* lines = findSection(section);
    if (lines == nullptr || !lines->hasValue(key))
        return def;
    return lines->getValue(key);
}

int TIniFile::readInteger(const TString& section, const TString& key, int def)
{
    const TString text = readString(section, key, TString());
    if (text.isEmpty())
        return def;
    // atoi: leading blanks and a sign, digits up to the first other character.
    return static_cast<int>(std::strtol(text.c_str(), nullptr, 10));
}

void TIniFile::writeString(const TString& section, const TString& key, const TString& value)
{
    m_sections[section].setValue(key, needsQuoting(value) ? quoted(value) : value);
}

void TIniFile::writeInteger(const TString& section, const TString& key, int value)
{
    writeString(section, key, toString(value));
}

bool TIniFile::deleteKey(const TString& section, const TString& key)
{
    TStringList* lines = findSection(section);
    return lines != nullptr && lines->removeValue(key);
}

bool TIniFile::valueExists(const TString& section, const TString& key)
{
    TStringList* lines = findSection(section);
    return lines != nullptr && lines->hasValue(key);
}

} // namespace Tr

// The line list and its key=value reading.
#include "TStringList.h"

#include "FileSystem.h"
#include "files/PlatformRegularFile.h"

#include <algorithm>
#include <cstring>

namespace Tr {

namespace
{
bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

char* skipBlanks(char* p)
{
    while (isBlank(*p))
        ++p;
    return p;
}

// Reads the quoted text that starts right after an opening quote at p and
// unescapes it in place, ending it with a NUL (the text only shrinks, so it
// never overtakes the reading position). Returns the position after the
// closing quote, or null when the text has no closing quote.
char* readQuoted(char* p)
{
    char* out = p;
    for (;;)
    {
        const char c = *p;
        if (c == '\0')
            return nullptr;
        if (c == '"')
        {
            *out = '\0';
            return p + 1;
        }
        if (c == '\\')
        {
            if (p[1] == '\0')
                return nullptr;
            *out++ = unescapeChar(p[1]);
            p += 2;
        }
        else
        {
            *out++ = c;
            ++p;
        }
    }
}
} // namespace

char unescapeChar(char c)
{
    switch (c)
    {
    case 'a': return '\a';
    case 'b': return '\b';
    case 'n': return '\n';
    case 'r': return '\r';
    case 't': return '\t';
    default: return c;
    }
}

TStringList::TStringList() : m_lineSeparator("\n") {}

TStringList::~TStringList() = default;

void TStringList::add(const TString& text)
{
    add(text, 0);
}

void TStringList::add(const TString& text, int tag)
{
    m_entries.push_back({text, tag});
    m_values.clear();
}

void TStringList::removeAt(int index)
{
    if (index < 0 || index >= count())
        return;
    m_entries.erase(m_entries.begin() + index);
    m_values.clear();
}

void TStringList::clear()
{
    m_entries.clear();
    m_values.clear();
}

int TStringList::indexOf(const TString& text) const
{
    for (size_t i = 0; i < m_entries.size(); ++i)
        if (m_entries[i].text.equalsIgnoreCase(text))
            return static_cast<int>(i);
    return -1;
}

void TStringList::reserve(int n)
{
    if (n > count())
        m_entries.reserve(static_cast<size_t>(n));
}

void TStringList::setText(const char* text, int length)
{
    clear();
    if (text == nullptr)
        return;
    const size_t limit = length < 0 ? static_cast<size_t>(-1) : static_cast<size_t>(length);
    size_t start = 0;
    size_t i = 0;
    while (i < limit && text[i] != '\0')
    {
        const char c = text[i];
        if (c != '\n' && c != '\r')
        {
            ++i;
            continue;
        }
        add(TString(text + start, static_cast<int>(i - start)));
        if (c == '\r' && i + 1 < limit && text[i + 1] == '\n')
            ++i;
        start = ++i;
    }
    if (i > start)
        add(TString(text + start, static_cast<int>(i - start)));
}

bool TStringList::loadFromFile(const TString& fileName)
{
    int32_t size = 0;
    // A file larger than any text the program reads whole is not read at all.
    constexpr auto maxSize = static_cast<int32_t>(PlatformRegularFile::kMaxTextFileSize);
    char* buffer = loadFile(fileName, &size, nullptr, maxSize, nullptr);
    if (buffer == nullptr)
        return false;
    // The text would end at a NUL, and whoever writes the lines back would
    // lose everything after it: such a file is not read at all.
    if (std::memchr(buffer, '\0', static_cast<size_t>(size)) != nullptr)
    {
        freeFileBuffer(buffer);
        return false;
    }
    setText(buffer, size);
    freeFileBuffer(buffer);
    return true;
}

int TStringList::parseValues()
{
    return parse(nullptr);
}

int TStringList::parseValues(const TString& wantedKey)
{
    return parse(&wantedKey);
}

int TStringList::parse(const TString* wantedKey)
{
    m_values.clear();
    int found = -1;
    char work[kMaxParsedLineLength + 1];
    for (size_t index = 0; index < m_entries.size(); ++index)
    {
        const TString& line = m_entries[index].text;
        const size_t length = std::min(static_cast<size_t>(line.length()), static_cast<size_t>(kMaxParsedLineLength));
        std::memcpy(work, line.c_str(), length);
        work[length] = '\0';

        char* p = skipBlanks(work);
        if (*p == '\0' || *p == ';')
            continue;

        TString key;
        char* equals = nullptr;
        if (*p == '"')
        {
            char* afterQuote = readQuoted(p + 1);
            if (afterQuote == nullptr)
                continue;
            key = TString(p + 1);
            equals = std::strchr(afterQuote, '=');
        }
        else
        {
            equals = std::strchr(p, '=');
            if (equals != nullptr)
            {
                char* end = equals;
                while (end > p && isBlank(end[-1]))
                    --end;
                key = TString(p, static_cast<int>(end - p));
            }
        }
        if (equals == nullptr || key.isEmpty())
            continue;

        char* value = skipBlanks(equals + 1);
        if (*value == '"')
        {
            if (readQuoted(value + 1) == nullptr)
                continue;
            ++value;
        }
        m_values[key] = TString(value);
        if (wantedKey != nullptr && found < 0 && key == *wantedKey)
            found = static_cast<int>(index);
    }
    return found;
}

void TStringList::ensureValues()
{
    if (m_values.empty())
        parse(nullptr);
}

bool TStringList::hasValue(const TString& key)
{
    ensureValues();
    return m_values.find(key) != m_values.end();
}

const TString& TStringList::getValue(const TString& key)
{
    ensureValues();
    const auto it = m_values.find(key);
    return it != m_values.end() ? it->second : g_emptyString;
}

bool TStringList::removeValue(const TString& key)
{
    const int index = parseValues(key);
    if (index < 0)
        return false;
    removeAt(index);
    return true;
}

void TStringList::setValue(const TString& key, const TString& value)
{
    removeValue(key);
    add(key + "=" + value);
}

} // namespace Tr

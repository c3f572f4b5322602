// An ordered list of text lines that can also be read as key=value pairs.
#pragma once

#include "TString.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <vector>

namespace Tr {

/** The character that a backslash and c stand for in a quoted key or value:
    a, b, n, r and t give bell, backspace, line feed, carriage return and tab;
    every other character stands for itself. */
char unescapeChar(char c);

/** An ordered list of lines, each with a 32-bit tag, that is also read as a
    set of key=value pairs. It is the body of every ini section, where lines
    stay exactly as read so that comments and foreign lines survive a save.
    Lookups by key go through a value map built from the lines on demand and
    dropped by every change of the lines; of several lines with one key the
    last one is read and the first one is removed. */
class TStringList
{
public:
    /** One line and its tag (0 unless the caller gives one). */
    struct Entry
    {
        TString text;
        int32_t tag = 0;
    };

    /** Lines longer than this are read as key=value by their first bytes only. */
    static constexpr int kMaxParsedLineLength = 8000;

    TStringList();
    TStringList(const TStringList& other) = default;
    TStringList& operator=(const TStringList& other) = default;
    virtual ~TStringList();

    void add(const TString& text);
    void add(const TString& text, int tag);
    /** Erases the line at index; an index outside 0..count-1 changes nothing. */
    void removeAt(int index);
    void clear();

    int count() const { return static_cast<int>(m_entries.size()); }
    /** The line's text; index must be in 0..count-1. */
    const TString& at(int index) const { return m_entries[static_cast<std::size_t>(index)].text; }
    /** The line's tag; index must be in 0..count-1. */
    int tagAt(int index) const { return m_entries[static_cast<std::size_t>(index)].tag; }

    /** The first line equal to text ignoring case, or -1. */
    int indexOf(const TString& text) const;
    bool contains(const TString& text) const { return indexOf(text) >= 0; }

    /** Makes room for n lines when n is more than count. */
    void reserve(int n);

    /** Replaces all lines by text split at LF, CR or CR LF. At most length
        bytes are read (a negative length: no limit); a NUL ends the text. A
        text that ends with a line end adds no empty last line. */
    void setText(const char* text, int length = -1);

    /** Replaces the lines by those of the file; false, with the lines
        unchanged, when it cannot be read, or not whole: a file with a NUL
        byte in it, where its text would end, is not read, nor one larger
        than PlatformRegularFile::kMaxTextFileSize. */
    bool loadFromFile(const TString& fileName);

    /** Rebuilds the value map from all lines; the index of the first line
        whose key equals wantedKey (case-sensitive), or -1. */
    int parseValues();
    int parseValues(const TString& wantedKey);

    bool hasValue(const TString& key);
    /** The value of the last line with key, or the shared empty string. */
    const TString& getValue(const TString& key);
    /** Removes the first line with key; true when one was removed. */
    bool removeValue(const TString& key);
    /** Removes the first line with key and appends key=value, unchanged. */
    void setValue(const TString& key, const TString& value);

    const TString& lineSeparator() const { return m_lineSeparator; }

private:
    int parse(const TString* wantedKey);
    void ensureValues();

    std::vector<Entry> m_entries;
    std::map<TString, TString> m_values;
    TString m_lineSeparator;
};

} // namespace Tr

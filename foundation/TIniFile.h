// The settings store: an ini file held in memory as named sections of lines.
#pragma once

#include "TString.h"
#include "TStringList.h"

#include <map>

namespace Tr {

/** An ini file held in memory: a map from section name to the section's lines,
    read whole by load, changed through typed reads and writes, and written
    back whole by save. Lines are kept verbatim (comments and foreign lines
    survive); keys are read as key=value lines. Names and keys are
    case-sensitive. Nothing reaches the disk before save. */
class TIniFile
{
public:
    TIniFile();
    explicit TIniFile(const TString& fileName);
    virtual ~TIniFile();

    void setFileName(const TString& name) { m_fileName = name; }
    const TString& fileName() const { return m_fileName; }

    /** Replaces the sections by those of the file; false, with no sections
        left, when it cannot be read whole (see TStringList::loadFromFile). */
    bool load();

    /** Replaces the sections by those the lines describe: a line of at least
        4 characters that starts with "[" and ends with "]" starts the section
        named by what is between; every other line belongs to the current
        section; lines before the first header are dropped. */
    void parse(const TStringList& lines);

    /** Writes every section, in byte order of the names, as its header, its
        non-empty lines and an empty line, with LF line ends; the missing folders
        of the file are made first. false when the file cannot be written or
        what stands at its name is no regular file (a FIFO, a device); the old
        file is then left as it was. */
    bool save();

    void clear() { m_sections.clear(); }

    /** The section's lines, or a shared empty list (found false) when there
        is no such section. */
    const TStringList& getSection(const TString& name, bool* found = nullptr) const;

    /** The key's value in the section (of duplicate keys the last), else def. */
    TString readString(const TString& section, const TString& key, const TString& def);
    /** atoi of the value; def when the key is missing or its value empty. */
    int readInteger(const TString& section, const TString& key, int def);

    /** Replaces the first line with key by key=value at the end of the section
        (made when missing). A value that would not read back as written (one
        holding a line break, or starting with a blank, a tab or a double quote)
        is written quoted, with backslash escapes, so it reads back unchanged
        and cannot break the file; any other value is written as it is. */
    void writeString(const TString& section, const TString& key, const TString& value);
    void writeInteger(const TString& section, const TString& key, int value);

    /** Removes the first line with key; false when there is none. */
    bool deleteKey(const TString& section, const TString& key);
    bool valueExists(const TString& section, const TString& key);

    /** The file's text as save writes it. */
    TString toText() const;

private:
    TStringList* findSection(const TString& name);

    TString m_fileName;
    std::map<TString, TStringList> m_sections;
};

} // namespace Tr

// The library's one string type: 8-bit text in a shared, reference-counted
// buffer with copy-on-write.
#pragma once

#include <atomic>
#include <cstdint>

namespace Tr {

/** The heap block behind a TString: a header (reference count and capacity)
    directly followed by capacity + 1 bytes of NUL-terminated text. Blocks are
    made with malloc and freed with free; only TString uses them. A block whose
    count is 2 or more is never written. */
class TStringBuffer
{
public:
    /** A new block with capacity max(length, capacity) and a count of 1,
        holding the first length bytes of text (null gives the empty text). */
    static TStringBuffer* create(const char* text, int length, int capacity);

    /** Adds a reference and returns the block; a null block gives a new empty
        one instead (strings made before the shared empty string exists). */
    static TStringBuffer* addRef(TStringBuffer* buffer)
    {
        if (buffer == nullptr)
            return createEmpty();
        buffer->m_refCount.fetch_add(1, std::memory_order_relaxed);
        return buffer;
    }

    /** Drops a reference; the caller that brings the count to 0 frees the block. */
    static void release(TStringBuffer* buffer)
    {
        if (buffer != nullptr && buffer->m_refCount.fetch_sub(1, std::memory_order_acq_rel) == 1)
            destroy(buffer);
    }

    int refCount() const { return m_refCount.load(std::memory_order_acquire); }
    int capacity() const { return m_capacity; }
    char* text() { return reinterpret_cast<char*>(this + 1); }
    const char* text() const { return reinterpret_cast<const char*>(this + 1); }

private:
    TStringBuffer(int capacity) : m_refCount(1), m_capacity(capacity) {}
    static TStringBuffer* createEmpty();
    static void destroy(TStringBuffer* buffer);

    std::atomic<int32_t> m_refCount;
    int32_t m_capacity;
};

/** An 8-bit, NUL-terminated string held as one pointer to a shared buffer.
    Copies share the buffer (one atomic increment, no allocation); a string
    that is about to change first makes its buffer its own. Different strings
    sharing a buffer may live on different threads; one string object is not
    for two threads at once. */
class TString
{
public:
    static constexpr int kNoLimit = 0x7fffffff;

    TString();
    TString(const char* text, int maxLength = kNoLimit, int capacity = -1);
    TString(const TString& other) : m_buffer(TStringBuffer::addRef(other.m_buffer)) {}
    ~TString() { TStringBuffer::release(m_buffer); }

    TString& operator=(const TString& other);
    TString& assign(const TString& other);
    TString& assign(const char* text, int length);
    void clear();

    void reserve(int n);
    void reserveEmpty(int n);
    void setCapacity(int n);
    void setLength(int n);

    void append(const char* text, int maxLength = kNoLimit);
    TString& operator+=(const char* text);
    TString& operator+=(const TString& other);

    const char* c_str() const { return m_buffer->text(); }
    const char* data() const { return m_buffer->text(); }
    int length() const;
    bool isEmpty() const { return m_buffer->text()[0] == '\0'; }
    char charAt(int i) const { return m_buffer->text()[i]; }

    bool operator==(const TString& other) const;
    bool operator!=(const TString& other) const { return !(*this == other); }
    bool equals(const TString& other, bool ignoreCase) const;
    bool equalsIgnoreCase(const TString& other) const;

    int indexOf(char c, bool ignoreCase = false) const;
    int lastIndexOf(char c, bool ignoreCase = false) const;

    TString substring(int start, int count = -1) const;
    int find(const TString& what, bool ignoreCase = false) const;
    bool contains(const TString& what, bool ignoreCase = false) const;
    TString toLower() const;

    /** The part after the last path separator; the whole text when there is none. */
    TString extractFileName() const;
    /** The path with its extension replaced by (or, without one, followed by)
        extension, which carries its own leading dot. */
    TString changeExtension(const TString& extension) const;

private:
    friend TString concat(const char* a, int lengthA, const char* b, int lengthB);
    struct Adopt {};
    TString(TStringBuffer* adopted, Adopt) : m_buffer(adopted) {}

    TStringBuffer* m_buffer;
};

/** -1, 0 or 1. Case-sensitive: unsigned byte order (strcmp, or strncmp when
    maxLength is not kNoLimit). Case-insensitive: ASCII letters fold to upper
    case and the folded bytes compare as signed 8-bit values. Null counts as "". */
int strCompare(const char* a, const char* b, bool ignoreCase, int maxLength = TString::kNoLimit);

bool operator==(const TString& a, const char* b);
bool operator!=(const TString& a, const char* b);
bool operator<(const TString& a, const TString& b);

TString operator+(const TString& a, const char* b);
TString operator+(const TString& a, const TString& b);
TString operator+(const char* a, const TString& b);

/** The process-wide empty string whose buffer every default-constructed string shares. */
extern const TString g_emptyString;

/** A second process-wide empty string, for operations that return a reference. */
const TString& emptyString();

} // namespace Tr

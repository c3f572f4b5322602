// A shared library loaded at run time.
#pragma once

#include <string>

/**
    A shared library the program loads only when it needs the service behind
    it (dlopen) and unloads with this object, so that a service the machine
    does not offer costs nothing resident. A library that is missing leaves
    the object unloaded, with the loader's reason in failure(); lookups then
    answer null. Each object holds one reference of the loader's count: the
    library goes when the last holder (another object, or the program's own
    link to it) lets go.
*/
class SharedLibrary
{
public:
    /** Loads file (a name the loader searches for, or a path); every symbol
        of the library is bound at once when bindNow is set. */
    explicit SharedLibrary(const char* file, bool bindNow = false);
    ~SharedLibrary();
    SharedLibrary(const SharedLibrary&) = delete;
    SharedLibrary& operator=(const SharedLibrary&) = delete;

    bool isLoaded() const { return handle_ != nullptr; }
    /** Whether the process had the library loaded before this object loaded
        it (linked to it, or loaded by someone else who may still use it). */
    bool wasLoadedBefore() const { return loadedBefore_; }
    /** Why the library is not loaded, or the function it lacks. */
    const std::string& failure() const { return failure_; }

    /** The function of that name, or null. */
    template <typename Function>
    Function* function(const char* name) const
    {
        return reinterpret_cast<Function*>(symbol(name));
    }

    /** Sets target to the function of that name; false, with failure() saying
        which, when the library lacks it (or is not loaded). */
    template <typename Function>
    bool resolve(Function*& target, const char* name)
    {
        target = function<Function>(name);
        return target != nullptr || lacks(name);
    }

    /** Keeps the library in the process until it ends, whoever lets go of
        it: for a library that may leave threads of its own running. */
    void keepLoaded() const;

private:
    void* symbol(const char* name) const;
    bool lacks(const char* name);

    const std::string file_;
    std::string failure_; // before handle_, whose load may set it
    const bool loadedBefore_;
    void* const handle_;
};

// A temporary folder for one test, removed with everything in it when the
// test ends. Tests that touch settings or documents point HOME,
// XDG_CONFIG_HOME and XDG_DOCUMENTS_DIR into one of these.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

namespace TestSupport
{
class TempDir
{
public:
    TempDir()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "vaskor-test-XXXXXX").string();
        char* made = ::mkdtemp(pattern.data());
        if (made == nullptr)
            throw std::runtime_error("cannot create a temporary folder");
        path_ = made;
    }
    ~TempDir()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::string str() const { return path_.string(); }
    std::string file(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

// Points HOME, XDG_CONFIG_HOME and the documents folder at a temporary folder
// for the lifetime of the object, and restores the old values afterwards.
class TempHome
{
public:
    TempHome()
    {
        std::filesystem::create_directories(dir_.path() / ".config");
        std::filesystem::create_directories(dir_.path() / "Documents");
        save("HOME", dir_.str());
        save("XDG_CONFIG_HOME", dir_.file(".config"));
        save("XDG_DOCUMENTS_DIR", dir_.file("Documents"));
    }
    ~TempHome()
    {
        for (auto it = saved_.rbegin(); it != saved_.rend(); ++it)
        {
            if (it->hadValue)
                ::setenv(it->name.c_str(), it->value.c_str(), 1);
            else
                ::unsetenv(it->name.c_str());
        }
    }
    TempHome(const TempHome&) = delete;
    TempHome& operator=(const TempHome&) = delete;

    const TempDir& dir() const { return dir_; }
    std::string configDir() const { return dir_.file(".config"); }
    std::string documentsDir() const { return dir_.file("Documents"); }

private:
    struct Saved
    {
        std::string name;
        std::string value;
        bool hadValue;
    };

    void save(const char* name, const std::string& value)
    {
        const char* old = ::getenv(name);
        saved_.push_back({name, old ? old : "", old != nullptr});
        ::setenv(name, value.c_str(), 1);
    }

    TempDir dir_;
    std::vector<Saved> saved_;
};
} // namespace TestSupport

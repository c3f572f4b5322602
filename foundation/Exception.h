// The program's error object and the library's assertion hook.
#pragma once

#include "TString.h"

#include <exception>

namespace Tr {

/** The error every failure is thrown as: a standard exception carrying a
    readable message, which the application shows to the user. Thrown by
    value, caught as Tr::Exception, read through what(). */
class Exception : public std::exception
{
public:
    explicit Exception(const char* message);
    explicit Exception(const TString& message);
    Exception(const Exception& other);
    Exception& operator=(const Exception& other) = default;
    ~Exception() override;

    /** The message text, valid while the exception lives. */
    const char* what() const noexcept override;

    const TString& message() const { return m_message; }

private:
    TString m_message;
};

/** The library's assertion hook: it has no effect. Code calls it with false
    just before throwing on a broken rule. */
void assertTrue(bool condition);

} // namespace Tr

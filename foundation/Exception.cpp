#include "Exception.h"

namespace Tr {

Exception::Exception(const char* message) : m_message(message) {}

Exception::Exception(const TString& message) : m_message(message) {}

Exception::Exception(const Exception& other) : std::exception(other), m_message(other.m_message) {}

Exception::~Exception() = default;

const char* Exception::what() const noexcept
{
    return m_message.c_str();
}

void assertTrue(bool /*condition*/) {}

} // namespace Tr

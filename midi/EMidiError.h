// Tr::EMidiError: the error the MIDI library throws.
#pragma once

#include "Exception.h"

namespace Tr {

/** The MIDI form of Tr::Exception: thrown by the ports and their buffers
    with the driver's readable error text. It adds nothing to its base, so
    every catch of Tr::Exception handles it alike and a rethrow passes the
    same object on. */
class EMidiError : public Exception
{
public:
    explicit EMidiError(const char* message);
    explicit EMidiError(const TString& message);
};

} // namespace Tr

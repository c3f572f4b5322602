#include "EMidiError.h"

namespace Tr {

EMidiError::EMidiError(const char* message) : Exception(message) {}

EMidiError::EMidiError(const TString& message) : Exception(message) {}

} // namespace Tr

#pragma once
// The extraction of the payload set into the staging folder.

#include "platform/Failure.h"
#include "platform/Path.h"
#include "platform/System.h"

namespace vek {

// The extraction, which the form's SalvarDlls runs on PastaDlls: writes
// every payload that is missing from `pastaDlls` into it, in the order of
// the list, from the executable's own resources; a staged file already
// there is left as it is, whatever its content. Fails with the runtime's
// texts: "Resource %s not found", "Cannot create file \"%s\". %s" or
// "Stream write error"; the payloads written before stay, and no partial
// file is left.
Failure SalvarDlls(System& system, const Path& pastaDlls);

}  // namespace vek

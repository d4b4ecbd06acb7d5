/* The facts that the build and the test harness share with the program,
   read from the program's own data files by the C preprocessor alone
   (vek.productfacts runs it with -E -P): one "kind value..." line
   each. Never compiled. */
#include "platform/Resources.h"

resource_type VEK_NAME(VEK_PAYLOAD_TYPE)
logo_side VEK_LOGO_SIDE

#define VEK_PAYLOAD(fileName, resourceName) payload fileName resourceName
#include "app/payload/Payloads.def"

#define VEK_CONTROL(name, id) control name id
#include "app/ControlesPrincipal.def"

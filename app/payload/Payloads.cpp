#include "app/payload/Payloads.h"

#include "platform/Resources.h"

namespace vek {

Failure RecursoDaDll(System& system, const Payload& payload, ResourceBytes* bytes) {
  if (system.FindOwnResource(payload.resourceName, VEK_NAME(VEK_PAYLOAD_TYPE), bytes)) {
    return Failure();
  }
  return Failure(Text("Resource ") + payload.resourceName + " not found");
}

}  // namespace vek

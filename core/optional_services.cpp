#include "core/optional_services.h"
#include "core/debug.h"

OptionalServices optional_services;

namespace {
const char* const service_names[OPTIONAL_SERVICE_COUNT] = {
#define OPTIONAL_SERVICE_NAME(name, ret, params) #name,
    OPTIONAL_SERVICES(OPTIONAL_SERVICE_NAME)
#undef OPTIONAL_SERVICE_NAME
};
bool reported[OPTIONAL_SERVICE_COUNT];
}  // namespace

const char* optional_service_name(OptionalServiceId id) { return service_names[id]; }

bool has_optional_service(OptionalServiceId id) {
  switch (id) {
#define OPTIONAL_SERVICE_CASE(name, ret, params) \
  case SERVICE_##name:                           \
    return optional_services.name != nullptr;
    OPTIONAL_SERVICES(OPTIONAL_SERVICE_CASE)
#undef OPTIONAL_SERVICE_CASE
    case OPTIONAL_SERVICE_COUNT:
      break;
  }
  return false;
}

void report_missing_service(OptionalServiceId id) {
  if (reported[id]) return;
  reported[id] = true;
  debug("optional service %s is not provided", service_names[id]);
}

int report_missing_services() {
  int missing = 0;
  for (int i = 0; i < OPTIONAL_SERVICE_COUNT; ++i) {
    OptionalServiceId id = OptionalServiceId(i);
    if (has_optional_service(id)) continue;
    ++missing;
    report_missing_service(id);
  }
  return missing;
}

void clear_optional_services() {
  optional_services = OptionalServices{};
  for (bool& r : reported) r = false;
}

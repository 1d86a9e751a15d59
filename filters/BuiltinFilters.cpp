#include "filters/CFilterRegistry.h"

// One line per component; each component's factory lives beside the component.
void RegisterBuiltinFilters(CFilterRegistry &registry)
{
    (void)registry;
}

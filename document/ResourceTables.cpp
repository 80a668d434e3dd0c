#include "document/ResourceTables.h"

#include <objbase.h>

DS_GuidResource::DS_GuidResource() : guid(GUID()) { CoCreateGuid(&guid); }

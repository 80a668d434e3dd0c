#include "document/ClassRegistry.h"

IOF_Virtual_Reader::Registry& IOF_Virtual_Reader::GetRegistry() {
  static Registry registry;
  return registry;
}

#include "calc/memory.h"

namespace vedograf {

TMemory& TMemory::Default() {
  static TMemory memory;
  return memory;
}

}  // namespace vedograf

#include "base/SystemSeams.h"

SystemSeams& Seams() {
  static SystemSeams seams;
  return seams;
}

#include "app/SystemSeams.h"

SystemSeams& Seams() {
  static SystemSeams seams;
  return seams;
}

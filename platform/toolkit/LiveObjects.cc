// LiveObjects.cc: the count of toolkit objects alive, by which tests prove nothing leaks.
#include "ToolkitModel.h"

namespace pde {
namespace {

long& LiveCount() {
  static long count = 0;
  return count;
}

}  // namespace

namespace toolkit {

LiveObject::LiveObject() { ++LiveCount(); }
LiveObject::LiveObject(const LiveObject&) { ++LiveCount(); }
LiveObject::~LiveObject() { --LiveCount(); }

}  // namespace toolkit

long LiveToolkitObjectCount() { return LiveCount(); }

}  // namespace pde

#include "Backend.h"

namespace KestraDiags {
namespace Ludrel {

Backend::~Backend() = default;

}  // namespace Ludrel
}  // namespace KestraDiags

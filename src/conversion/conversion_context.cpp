#include "conversion/conversion_context.h"

namespace scrivlet {

ConversionContext& SharedContext() {
  static ConversionContext context;
  return context;
}

}  // namespace scrivlet

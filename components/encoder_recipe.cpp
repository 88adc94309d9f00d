#include "components/encoder_recipe.h"

#include "components/component_error.h"

void AudioEncoder::WriteIntegers(const std::int32_t*, std::int64_t) {
    throw ComponentError(QStringLiteral("This encoder takes float samples only"));
}

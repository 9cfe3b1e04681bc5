#pragma once
#include "core/ConfigFile.h"
#include "core/LinkSettings.h"

#include <array>

namespace kwf {

// What the configuration file reads from a relay window and puts back into it, in the file's
// terms, and what the settings validation changes in it; the window alone knows its controls.
class RelayValues {
public:
    virtual ~RelayValues() = default;
    virtual RelayConfig relayValues() const = 0;
    // Lists, day boxes and option buttons as given (both buttons may be off).
    virtual void setRelayValues(const RelayConfig& values) = 0;
    // Its reading button, offered or not on the validated link.
    virtual void setReadingOffered(bool offered) = 0;
};

// The settings window's eight selectors (SEL_COM .. SEL_REP), by list index and by text, and
// its validation.
class SettingsSelectors {
public:
    virtual ~SettingsSelectors() = default;
    virtual std::array<int, 8> selectorIndexes() const = 0;
    virtual void setSelectorIndexes(const std::array<int, 8>& indexes) = 0;
    virtual LinkSettings selectorTexts() const = 0;
    // Opens the port as the validation button does.
    virtual void validateSettings() = 0;
};

} // namespace kwf

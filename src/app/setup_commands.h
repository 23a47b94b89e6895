// The setup as the commands see it: Marlinth.cfg read into the session and written from the
// form, and setup validation, the one check every stage runs before it trusts the setup.
#pragma once

#include "app/app.h"
#include "core/config.h"

namespace marlinth {

// Reads Marlinth.cfg into the setup; any failure leaves the defaults, silently.
void load_configuration(App& app);
// Validates the setup (interactive) and writes the file.
bool save_configuration(App& app);
// Reads the setup fields into the session and checks their form.
bool validate_setup(App& app, bool interactive);

}  // namespace marlinth

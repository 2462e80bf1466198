// The product's file classes "Quobex", "Quobex.ZIP" and "Quobex.REV" (with ".rev" bound to the
// last): descriptions in the current language, open commands and icons of the main executable.
#pragma once

// False when the first write was refused for lack of rights (nothing else is written then).
[[nodiscard]] bool RegisterFileClasses();

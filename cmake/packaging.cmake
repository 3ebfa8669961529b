# Installation, the desktop entry and the Debian package.

# Install rules and the Debian package: filled in with the packaging.

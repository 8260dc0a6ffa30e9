# Tests of the installed tree and of the package.

# Run by cpack before it packs a build that has no man page: it stops.
message(FATAL_ERROR "no man page to package: install pandoc (Debian: pandoc), "
                    "configure the build again and rebuild")

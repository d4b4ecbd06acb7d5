"""The payload set: its build from Debian's sources (build, versioninfo), its
checks (validate), the manifest beside it (manifest) and its audit against
the archive (audit). The build's own files (steps, our sources, build.sh)
stay in tools/payload/."""

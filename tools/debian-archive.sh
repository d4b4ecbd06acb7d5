# Sourced by the set-up scripts.

# The address of the Debian archive this machine already uses for bookworm,
# read from its own apt sources, so that any further suite comes from the
# same place.
debian_archive() {
  {
    for f in /etc/apt/sources.list.d/*.sources; do
      [ -e "$f" ] || continue
      awk 'function flush() { if (suites ~ /(^| )bookworm( |$)/ && types ~ /deb/) print uri; uri = suites = types = "" }
           /^[ \t]*$/ { flush(); next }
           $1 == "URIs:" { uri = $2 }
           $1 == "Types:" { types = $0 }
           $1 == "Suites:" { suites = substr($0, 8) " " }
           END { flush() }' "$f"
    done
    [ -e /etc/apt/sources.list ] && awk '$1 == "deb" && $3 == "bookworm" { print $2 }' /etc/apt/sources.list
  } | head -n 1
}

# Sourced by the set-up scripts: the Debian archive this machine uses, and
# the apt sources of our own. Needs SUDO set (empty as root). VEK_APT_ETC
# moves apt's configuration folder (/etc/apt), for the tests.
APT_ETC=${VEK_APT_ETC:-/etc/apt}

# debian_archive [SUITE]: the address of the Debian archive that this machine
# already uses for SUITE (bookworm by default), read from its own apt sources,
# so that any further entry comes from the same place. The security suite is
# served from an archive of its own; empty when the machine names none.
debian_archive() {
  suite=${1:-bookworm}
  {
    for f in "$APT_ETC"/sources.list.d/*.sources; do
      [ -e "$f" ] || continue
      awk -v suite="$suite" '
           function flush() { if ((" " suites " ") ~ (" " suite " ") && types ~ /deb/) print uri; uri = suites = types = "" }
           /^[ \t]*$/ { flush(); next }
           $1 == "URIs:" { uri = $2 }
           $1 == "Types:" { types = $0 }
           $1 == "Suites:" { suites = substr($0, 8) }
           END { flush() }' "$f"
    done
    # One-line entries, their options ([signed-by=...]) left out.
    [ -e "$APT_ETC/sources.list" ] && awk -v suite="$suite" '{ sub(/ \[[^]]*\]/, "") } $1 == "deb" && $3 == suite { print $2 }' "$APT_ETC/sources.list"
  } | head -n 1
}

# Our own apt sources: the source packages of every suite that carries fixes
# (the point releases, the updates and, from an archive of its own, the
# security suite), and backports. Written on a fresh machine; a list of ours
# from before that lacks the security suite gets it. Sets `changed` when the
# list was written, so that apt's indexes are brought up to date.
SOURCES_LIST=$APT_ETC/sources.list.d/vekdll.sources
add_project_sources() {
  security=$(debian_archive bookworm-security)
  [ -n "$security" ] || echo "setup: this machine's apt sources name no bookworm-security archive; security fixes will not reach the payload set" >&2
  if [ -e "$SOURCES_LIST" ]; then
    if [ -n "$security" ] && ! grep -q '^Suites: bookworm-security$' "$SOURCES_LIST"; then
      echo "setup: adding the security suite's source packages to $SOURCES_LIST" >&2
      { echo; stanza deb-src "$security" bookworm-security; } | $SUDO tee -a "$SOURCES_LIST" >/dev/null
      changed=yes
    fi
    return 0
  fi
  archive=$(debian_archive)
  if [ -z "$archive" ]; then
    echo "setup: cannot find the Debian archive in this machine's apt sources" >&2
    exit 1
  fi
  {
    stanza deb-src "$archive" "bookworm bookworm-updates"
    stanza deb "$archive" bookworm-backports
    [ -z "$security" ] || stanza deb-src "$security" bookworm-security
  } | $SUDO tee "$SOURCES_LIST" >/dev/null
  changed=yes
}

# stanza TYPE URI SUITES: one entry of a deb822 sources list.
stanza() {
  printf 'Types: %s\nURIs: %s\nSuites: %s\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n\n' "$@"
}

"""The release (tools/release.sh): the clean build and its checks (release),
the signing (signing), the set's packages and their sources (payloadset,
licences), the bill of materials (sbom) and the notices (notices)."""

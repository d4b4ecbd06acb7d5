"""The release's bill of materials: an SPDX 2.3 JSON document describing
VekDll.exe, the seven libraries it CONTAINS (each with its SHA-256, its
source package and version, its licence and a package URL for the Debian
package it comes from) and the compiler runtime linked into them.

Everything in it comes from the files and the package database, and its
time from SOURCE_DATE_EPOCH, so the same inputs give the same bytes."""

import json
import time
import uuid
from urllib.parse import quote

from vek.payload import validate
from vek.release import licences, payloadset

# Said of the executable and of every library: the oldest Windows it runs on.
FLOOR_NOTE = f"runs on {validate.FLOOR} or later"

SOURCE_NOTE = "built with the MinGW-w64 i686 compiler from the Debian source package"


def purl(package, version, distro, arch="source"):
    """The package URL of a Debian package (type deb)."""
    return (f"pkg:deb/debian/{quote(package, safe='')}@{quote(version, safe='')}"
            f"?arch={arch}&distro={distro}")


def purl_ref(locator):
    return {"referenceCategory": "PACKAGE-MANAGER", "referenceType": "purl",
            "referenceLocator": locator}


def spdx_id(name):
    return "SPDXRef-" + "".join(c if c.isalnum() or c in ".-" else "-" for c in name)


def package(name, version, sha256=None, supplier="NOASSERTION", licence="NOASSERTION",
            purpose="LIBRARY", comment=None, source_info=None, refs=(), file_name=None):
    entry = {
        "SPDXID": spdx_id(name),
        "name": name,
        "versionInfo": version,
        "supplier": supplier,
        "downloadLocation": "NOASSERTION",
        "filesAnalyzed": False,
        "licenseConcluded": licence,
        "licenseDeclared": licence,
        "copyrightText": "NOASSERTION",
        "primaryPackagePurpose": purpose,
    }
    if file_name:
        entry["packageFileName"] = file_name
    if sha256:
        entry["checksums"] = [{"algorithm": "SHA256", "checksumValue": sha256}]
    if source_info:
        entry["sourceInfo"] = source_info
    if refs:
        entry["externalRefs"] = [purl_ref(r) for r in refs]
    if comment:
        entry["comment"] = comment
    return entry


def library(entry, company, distro):
    """The SPDX package of one payload file."""
    common = dict(sha256=entry.sha256, file_name=entry.name)
    if entry.kind == "own":
        return package(entry.name, entry.version, supplier=f"Organization: {company}",
                       comment=f"{licences.OWN[entry.package]}; part of VekDll, "
                       f"no third-party code; {FLOOR_NOTE}", **common)
    if entry.kind == "placeholder":
        return package(entry.name, entry.version, supplier=f"Organization: {company}",
                       comment=f"{licences.OWN[entry.package]}: it only stands in for the "
                       "licensed library, which must replace it (VEK_MIDAS_DLL) before "
                       f"distribution; {FLOOR_NOTE}", **common)
    if entry.kind == "licensed":
        return package(entry.name, "NOASSERTION",
                       comment="the licensed midas.dll supplied by the packager "
                       "(VEK_MIDAS_DLL), not built here; its licence is the one it was "
                       "obtained under; the payload validator refused it if it needed more "
                       f"than {validate.FLOOR}", **common)
    version = entry.parts[0][1]
    terms = list(dict.fromkeys(licences.DEBIAN[p].licence for p, _ in entry.parts))
    expression = terms[0] if len(terms) == 1 else \
        " AND ".join(f"({t})" if " " in t else t for t in terms)
    refs, described = [], []
    for name, v in entry.parts:
        refs.append(purl(name, v, distro))
        note = licences.DEBIAN[name].note
        described.append(f"{name} {v}" + (f" ({note})" if note else ""))
    plural = "s" if len(described) > 1 else ""
    info = f"{SOURCE_NOTE}{plural} " + " and ".join(described)
    return package(entry.name, version, supplier=f"Organization: {company}", licence=expression,
                   source_info=info, refs=refs, comment=f"Runs on {validate.FLOOR} or later",
                   **common)


def runtime(part, distro):
    version = payloadset.installed_version(part.binary)
    source, source_version = payloadset.installed_source(part.binary)
    return package(part.name, version, supplier="Organization: Debian", licence=part.licence,
                   source_info=f"Debian binary package {part.binary} {version} "
                   f"(source package {source} {source_version})",
                   comment=f"{part.summary}; linked statically by the compiler",
                   refs=[purl(source, source_version, distro)])


def document(exe_name, exe_sha256, product, entries, epoch, signed, distro, behind=None):
    """The SPDX document as a dict. `product` holds the executable's version
    strings (ProductName, ProductVersion, CompanyName); `behind`, where the
    release knowingly carries libraries the archive has newer fixes for
    (VEK_ALLOW_BEHIND), what they are."""
    company = product["CompanyName"]
    version = product["ProductVersion"]
    signature = ("signed with Authenticode (SHA-256)" if signed
                 else "not signed (no VEK_SIGN_PKCS12 was given)")
    exe = package(exe_name, version, sha256=exe_sha256, supplier=f"Organization: {company}",
                  purpose="APPLICATION", file_name=exe_name,
                  comment=f"{product['ProductName']}: a 32-bit Windows installer that carries "
                  f"the seven libraries below as resources of type DLLFILE; {signature}; "
                  f"{FLOOR_NOTE}")
    packages = [exe] + [library(e, company, distro) for e in entries]
    relationships = [{"spdxElementId": "SPDXRef-DOCUMENT", "relationshipType": "DESCRIBES",
                      "relatedSpdxElement": exe["SPDXID"]}]
    relationships += [{"spdxElementId": exe["SPDXID"], "relationshipType": "CONTAINS",
                       "relatedSpdxElement": spdx_id(e.name)} for e in entries]
    # The compiler's runtime is in the executable and in every library
    # built here (not in a licensed midas.dll).
    built_here = [exe["SPDXID"]] + [spdx_id(e.name) for e in entries if e.kind != "licensed"]
    for part in licences.RUNTIME:
        packages.append(runtime(part, distro))
        relationships += [{"spdxElementId": element, "relationshipType": "STATIC_LINK",
                           "relatedSpdxElement": spdx_id(part.name)} for element in built_here]
    placeholder = any(e.kind == "placeholder" for e in entries)
    doc = {
        "spdxVersion": "SPDX-2.3",
        "dataLicense": "CC0-1.0",
        "SPDXID": "SPDXRef-DOCUMENT",
        "name": f"{exe_name} {version}",
        "documentNamespace": "urn:uuid:" + str(uuid.uuid5(uuid.NAMESPACE_URL,
                                                          f"urn:vekdll:{version}:{exe_sha256}")),
        "creationInfo": {
            "created": time.strftime("%Y-%m-%dT%H:%M:%SZ", time.gmtime(epoch)),
            "creators": [f"Organization: {company}", f"Tool: VekDll-release-{version}"],
        },
        "comment": ("midas.dll is a PLACEHOLDER, not the real library: this release is not "
                    "for distribution" if placeholder else
                    "the seven libraries are those the installer writes beside itself and "
                    "into the Windows system folder") + (f"; this release was {behind}"
                                                         if behind else ""),
        "packages": packages,
        "relationships": relationships,
    }
    return doc


def write(path, doc):
    path.write_text(json.dumps(doc, indent=2, ensure_ascii=False) + "\n", encoding="utf-8")

# Writes the winget manifest of the built setup program, in the multi-file
# format: the version file, the installer file and the default locale's file,
# under OUTPUT_DIR/manifests/<first letter>/<publisher>/<product>/<version>/.
#   cmake -DINSTALLER=instal.exe -DOUTPUT_DIR=dir -DIDENTITY=file -P winget.cmake
# IDENTITY is a CMake file, written when the build is configured, that sets
# the product's names, its version and the texts of the release.
include("${IDENTITY}")

set(schema_version "1.12.0")
set(identifier "${INSTAL_PACKAGE_PUBLISHER}.${INSTAL_PRODUCT_NAME}")
string(SUBSTRING "${INSTAL_PACKAGE_PUBLISHER}" 0 1 partition)
string(TOLOWER "${partition}" partition)
set(folder
    "${OUTPUT_DIR}/manifests/${partition}/${INSTAL_PACKAGE_PUBLISHER}/${INSTAL_PRODUCT_NAME}/${INSTAL_PRODUCT_VERSION}")
file(SHA256 "${INSTALLER}" installer_sha256)
string(TOUPPER "${installer_sha256}" installer_sha256)

# A text as a YAML scalar in double quotation marks.
function(yaml_quote text out)
  string(REPLACE "\\" "\\\\" text "${text}")
  string(REPLACE "\"" "\\\"" text "${text}")
  set(${out} "\"${text}\"" PARENT_SCOPE)
endfunction()
foreach(name INSTAL_PRODUCT_NAME INSTAL_PRODUCT_VERSION INSTAL_PUBLISHER INSTAL_WINGET_INSTALLER_URL
             INSTAL_WINGET_RELEASE_DATE INSTAL_WINGET_PUBLISHER_URL INSTAL_WINGET_LICENSE
             INSTAL_WINGET_LICENSE_URL INSTAL_COPYRIGHT INSTAL_SHORT_DESCRIPTION)
  yaml_quote("${${name}}" q_${name})
endforeach()

# The first line names the file's schema for editors, as the community
# repository's manifests do.
function(schema_header type out)
  set(${out} "# yaml-language-server: $schema=https://aka.ms/winget-manifest.${type}.${schema_version}.schema.json\n# Made by the build of ${INSTAL_PRODUCT_NAME} setup (target winget).\n" PARENT_SCOPE)
endfunction()
set(identity "PackageIdentifier: ${identifier}\nPackageVersion: ${q_INSTAL_PRODUCT_VERSION}\n")

schema_header(version header)
file(WRITE "${folder}/${identifier}.yaml" "${header}${identity}\
DefaultLocale: en-US
ManifestType: version
ManifestVersion: ${schema_version}
")

# Every exit code other than 0 that the program gives, with what winget
# tells its user about it.
set(return_codes
    "87|invalidParameter"         # a command line it does not understand
    "1603|contactSupport"         # the install or removal failed; the log says why
    "1605|contactSupport"         # the uninstaller's folder is not the one recorded
    "1618|installInProgress"      # another setup of the product is running
    "1638|downgrade"              # a newer version is installed
    "3010|rebootRequiredToFinish") # files in use are deleted at the next restart
set(expected "")
foreach(entry IN LISTS return_codes)
  string(REPLACE "|" ";" fields "${entry}")
  list(GET fields 0 code)
  list(GET fields 1 response)
  string(APPEND expected "- InstallerReturnCode: ${code}\n  ReturnResponse: ${response}\n")
endforeach()

schema_header(installer header)
file(WRITE "${folder}/${identifier}.installer.yaml" "${header}${identity}\
InstallerType: exe
Scope: machine
InstallModes:
- interactive
- silent
- silentWithProgress
InstallerSwitches:
  Silent: /S
  SilentWithProgress: /S
  InstallLocation: /D=<INSTALLPATH>
  Log: /LOG=\"<LOGPATH>\"
UpgradeBehavior: install
ElevationRequirement: elevationRequired
ExpectedReturnCodes:
${expected}\
ProductCode: ${q_INSTAL_PRODUCT_NAME}
AppsAndFeaturesEntries:
- DisplayName: ${q_INSTAL_PRODUCT_NAME}
  Publisher: ${q_INSTAL_PUBLISHER}
  ProductCode: ${q_INSTAL_PRODUCT_NAME}
ReleaseDate: ${q_INSTAL_WINGET_RELEASE_DATE}
Installers:
- Architecture: x86
  InstallerUrl: ${q_INSTAL_WINGET_INSTALLER_URL}
  InstallerSha256: ${installer_sha256}
ManifestType: installer
ManifestVersion: ${schema_version}
")

schema_header(defaultLocale header)
file(WRITE "${folder}/${identifier}.locale.en-US.yaml" "${header}${identity}\
PackageLocale: en-US
Publisher: ${q_INSTAL_PUBLISHER}
PublisherUrl: ${q_INSTAL_WINGET_PUBLISHER_URL}
PackageName: ${q_INSTAL_PRODUCT_NAME}
License: ${q_INSTAL_WINGET_LICENSE}
LicenseUrl: ${q_INSTAL_WINGET_LICENSE_URL}
Copyright: ${q_INSTAL_COPYRIGHT}
ShortDescription: ${q_INSTAL_SHORT_DESCRIPTION}
ManifestType: defaultLocale
ManifestVersion: ${schema_version}
")
message(STATUS "winget manifest: ${folder}")

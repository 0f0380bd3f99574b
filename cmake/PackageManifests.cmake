# Run with cmake -P once the release zip exists: writes SHA256SUMS beside it and fills in the winget
# manifests (winget/) and the Scoop manifest (scoop/) from the templates in packaging/.
# -DZIP=<zip> -DVERSION=<product version> -DURL=<download address, @UMBRALINE_PRODUCT_VERSION@ for the
#  version> -DHOME_URL=<home page> -DDESCRIPTION=<one line> -DTEMPLATES=<packaging folder>
foreach(name ZIP VERSION URL HOME_URL DESCRIPTION TEMPLATES)
  if(NOT DEFINED ${name})
    message(FATAL_ERROR "PackageManifests.cmake: -D${name}=... is missing")
  endif()
endforeach()

get_filename_component(out ${ZIP} DIRECTORY)
get_filename_component(zip_name ${ZIP} NAME)
file(SHA256 ${ZIP} SHA256)
string(TOUPPER ${SHA256} SHA256_UPPER)
file(WRITE ${out}/SHA256SUMS "${SHA256}  ${zip_name}\n")

# The download address of this version; for Scoop's automatic updates the same with $version where
# the version stands.
set(UMBRALINE_PRODUCT_VERSION ${VERSION})
string(CONFIGURE "${URL}" URL @ONLY)
string(REPLACE "${VERSION}" "$version" URL_TEMPLATE "${URL}")

file(REMOVE_RECURSE ${out}/winget ${out}/scoop)
foreach(manifest winget/kestov.Umbraline.yaml winget/kestov.Umbraline.installer.yaml
                 winget/kestov.Umbraline.locale.en-US.yaml scoop/umbraline.json)
  configure_file(${TEMPLATES}/${manifest}.in ${out}/${manifest} @ONLY)
endforeach()

# `make package` (or cpack) builds a Debian package of what `make install`
# puts in place.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME velmarik)
set(CPACK_PACKAGE_VENDOR Quillmoor)
set(CPACK_PACKAGE_CONTACT "The Velmarik developers <velmarik@quillmoor.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "drill for writing Japanese kanji by hand")
set(CPACK_PACKAGE_DESCRIPTION
    "Velmarik shows the reading of a Japanese word, the learner writes the word by\n\
hand and compares it with the answer, and files it as known, memorised or to be\n\
learnt. It carries six word lists, a question history, a search by kanji, kana\n\
or romaji and a daily count of dictations. The interface is in Japanese.")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION education)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${VELMARIK_HOMEPAGE})
# The libraries the program links (Qt 6, the handwriting recogniser, the C++
# run time) come from dpkg-shlibdeps, which dpkg-dev provides; what it loads
# or reads at run time is named here: Qt's platform plugins (without them no
# window opens), a Japanese font, and the recogniser's Japanese model; Qt's
# own translations and the stroke-order font are recommended.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "qt6-qpa-plugins, fonts-ipafont-gothic | fonts-noto-cjk, tegaki-zinnia-japanese")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n, fonts-kanjistrokeorders")
include(CPack)

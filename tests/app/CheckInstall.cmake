# Installs the build into a staging folder and checks that every desktop file is in place.
file(REMOVE_RECURSE ${STAGE})
execute_process(COMMAND ${CMAKE_COMMAND} -E env DESTDIR=${STAGE} ${CMAKE_COMMAND} --install ${BUILD_DIR}
                --prefix /usr RESULT_VARIABLE status OUTPUT_QUIET)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "install failed: ${status}")
endif()
set(id com.ostrel.CorvaneConverter)
foreach(file bin/corvane bin/corvane-convert share/applications/${id}.desktop
             share/metainfo/${id}.metainfo.xml share/icons/hicolor/16x16/apps/${id}.png
             share/icons/hicolor/32x32/apps/${id}.png share/icons/hicolor/48x48/apps/${id}.png
             share/icons/hicolor/256x256/apps/${id}.png share/corvane/guide/user-guide.html
             share/corvane/guide/screenshot-preview.png)
  if(NOT EXISTS ${STAGE}/usr/${file})
    message(FATAL_ERROR "not installed: ${file}")
  endif()
endforeach()
file(GLOB guide ${STAGE}/usr/share/doc/*/user-guide.md)
if(NOT guide)
  message(FATAL_ERROR "not installed: the user guide")
endif()
file(REMOVE_RECURSE ${STAGE})

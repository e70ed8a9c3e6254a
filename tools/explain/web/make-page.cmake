# Puts the style, the page's script and the Emscripten module into the page
# template, giving one file that needs nothing else:
#   cmake -DTEMPLATE= -DSTYLE= -DSCRIPT= -DMODULE= -DVERSION= -DOUTPUT= -P make-page.cmake
file(READ ${TEMPLATE} page)
file(READ ${STYLE} style)
file(READ ${SCRIPT} script)
file(READ ${MODULE} module)
# A script element ends at the first "</script" inside it, wherever it stands.
foreach(part IN ITEMS script module)
  string(REPLACE "</script" "<\\/script" ${part} "${${part}}")
endforeach()
foreach(marker IN ITEMS STYLE SCRIPT MODULE VERSION)
  string(FIND "${page}" "%${marker}%" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "make-page: ${TEMPLATE} has no %${marker}%")
  endif()
endforeach()
string(REPLACE "%VERSION%" "${VERSION}" page "${page}")
string(REPLACE "%STYLE%" "${style}" page "${page}")
# The module before the page's script, which is the last to be put in, so that
# no marker is looked for inside code.
string(REPLACE "%MODULE%" "${module}" page "${page}")
string(REPLACE "%SCRIPT%" "${script}" page "${page}")
file(WRITE ${OUTPUT} "${page}")

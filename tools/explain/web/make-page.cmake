# Puts the style, the page's script, the Emscripten module and the worker's
# script into the page template, giving one file that needs nothing else:
#   cmake -DTEMPLATE= -DSTYLE= -DSCRIPTS="a.js;b.js" -DMODULE= -DWORKER= -DVERSION=
#         -DOUTPUT= -P make-page.cmake
# The page's policy lets only its own style and script run, by their SHA-256
# hashes, which are computed here from the very text put in.

# Base64 of the bytes a hex digest spells, as a policy's hash source wants them.
function(base64_of_hex hex out)
  set(alphabet "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/")
  string(LENGTH "${hex}" hex_length)
  set(text "")
  set(at 0)
  while(at LESS hex_length)
    # Three bytes (six hex digits) make four characters; the last group is padded.
    string(SUBSTRING "${hex}000000" ${at} 6 group)
    math(EXPR value "0x${group}")
    math(EXPR left "${hex_length} - ${at}")
    foreach(shift 18 12 6 0)
      math(EXPR index "(${value} >> ${shift}) & 63")
      string(SUBSTRING "${alphabet}" ${index} 1 char)
      string(APPEND text "${char}")
    endforeach()
    if(left EQUAL 2)
      string(REGEX REPLACE "..$" "==" text "${text}")
    elseif(left EQUAL 4)
      string(REGEX REPLACE ".$" "=" text "${text}")
    endif()
    math(EXPR at "${at} + 6")
  endwhile()
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

function(hash_source text out)
  string(SHA256 digest "${text}")
  base64_of_hex(${digest} encoded)
  set(${out} "'sha256-${encoded}'" PARENT_SCOPE)
endfunction()

file(READ ${TEMPLATE} page)
file(READ ${STYLE} style)
file(READ ${MODULE} module)
file(READ ${WORKER} worker)
set(script "")
foreach(part IN LISTS SCRIPTS)
  file(READ ${part} text)
  string(APPEND script "${text}")
endforeach()

# The module carries its WebAssembly as a data: URL, which it would fetch; the
# bytes go into a block of their own instead, which the worker is handed, and
# the URL is left empty.
set(data_prefix "data:application/octet-stream;base64,")
# The last one: the first is the prefix the module looks for.
string(FIND "${module}" "${data_prefix}" data_at REVERSE)
if(data_at EQUAL -1)
  message(FATAL_ERROR "make-page: ${MODULE} holds no embedded WebAssembly (SINGLE_FILE)")
endif()
string(LENGTH "${data_prefix}" prefix_length)
math(EXPR wasm_at "${data_at} + ${prefix_length}")
string(SUBSTRING "${module}" ${wasm_at} -1 rest)
string(REGEX MATCH "^[A-Za-z0-9+/=]*" wasm "${rest}")
string(LENGTH "${wasm}" wasm_length)
string(SUBSTRING "${module}" 0 ${wasm_at} before)
math(EXPR after_at "${wasm_at} + ${wasm_length}")
string(SUBSTRING "${module}" ${after_at} -1 after)
set(module "${before}${after}\n${worker}")

# A script element ends at the first "</script" inside it, wherever it stands.
foreach(part IN ITEMS script module)
  string(REPLACE "</script" "<\\/script" ${part} "${${part}}")
endforeach()
foreach(marker IN ITEMS POLICY STYLE SCRIPT MODULE WASM VERSION)
  string(FIND "${page}" "%${marker}%" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "make-page: ${TEMPLATE} has no %${marker}%")
  endif()
endforeach()

# The template puts each block between two line ends.
hash_source("\n${script}\n" script_hash)
hash_source("\n${style}\n" style_hash)
set(policy "default-src 'none'; script-src ${script_hash} 'wasm-unsafe-eval'; ")
string(APPEND policy "worker-src blob:; style-src ${style_hash}; connect-src 'none'; ")
string(APPEND policy "base-uri 'none'; form-action 'none'")

string(REPLACE "%POLICY%" "${policy}" page "${page}")
string(REPLACE "%VERSION%" "${VERSION}" page "${page}")
string(REPLACE "%STYLE%" "${style}" page "${page}")
string(REPLACE "%WASM%" "${wasm}" page "${page}")
# The module before the page's script, which is the last to be put in, so that
# no marker is looked for inside code.
string(REPLACE "%MODULE%" "${module}" page "${page}")
string(REPLACE "%SCRIPT%" "${script}" page "${page}")
file(WRITE ${OUTPUT} "${page}")

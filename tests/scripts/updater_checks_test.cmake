# The configure-time checks of a build that embeds the update framework (cmake/CorvaneUpdater.cmake):
# run as `cmake -P`, each case in a child process, since a failed check ends the process.

if(DEFINED CASE)
  include(${MODULE})
  if(CASE STREQUAL "key")
    corvane_check_update_key("${KEY}")
  else()
    corvane_check_sparkle_version("${FRAMEWORK}")
  endif()
  return()
endif()

set(failures 0)
# expect(ok|fails "what it says" -D...): runs one case.
function(expect outcome needle)
  execute_process(COMMAND ${CMAKE_COMMAND} -DMODULE=${MODULE} ${ARGN} -P ${CMAKE_CURRENT_LIST_FILE}
                  RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
  string(REGEX REPLACE "[ \t\r\n]+" " " err "${err}")  # messages come wrapped
  set(wrong FALSE)
  if(outcome STREQUAL "ok" AND NOT result EQUAL 0)
    set(wrong TRUE)
  elseif(outcome STREQUAL "fails" AND (result EQUAL 0 OR NOT err MATCHES "${needle}"))
    set(wrong TRUE)
  endif()
  if(wrong)
    message(SEND_ERROR "expected ${outcome} for ${ARGN}: exit ${result}\n${err}")
  endif()
endfunction()

# A real Ed25519 public key's form: 32 bytes, 44 characters.
set(good "kXbNgVkqH4lFzJ1xRYEZhWmuq3LLs9DnIhdF82T6PKs=")
expect(ok "" -DCASE=key -DKEY=${good})
expect(fails "is empty" -DCASE=key -DKEY=)
expect(fails "not an EdDSA public key" -DCASE=key -DKEY=kXbNgVkqH4lFzJ1xRYEZhWmuq3LLs9DnIhdF82T6PK=)
expect(fails "not an EdDSA public key" -DCASE=key -DKEY=kXbNgVkqH4lFzJ1xRYEZhWmuq3LLs9DnIhdF82T6PKs)
expect(fails "not an EdDSA public key" -DCASE=key "-DKEY=kXbNgVkqH4lFzJ1xRYEZhWmu 3LLs9DnIhdF82T6PKs=")
# 33 bytes' worth of characters would be 44 too only with "=" inside; the last data character must
# leave its two low bits zero.
expect(fails "not an EdDSA public key" -DCASE=key -DKEY=kXbNgVkqH4lFzJ1xRYEZhWmuq3LLs9DnIhdF82T6PKt=)
expect(fails "not an EdDSA public key" -DCASE=key -DKEY=kXbNgVkqH4lFzJ1xRYEZhWmuq3LLs9DnIhdF82T6PK==)

set(work ${CMAKE_CURRENT_BINARY_DIR}/updater-checks)
file(REMOVE_RECURSE ${work})
# framework(NAME VERSION): a Sparkle.framework holding only an Info.plist, as Sparkle 2 lays it out.
function(framework name version)
  file(WRITE ${work}/${name}/Sparkle.framework/Versions/B/Resources/Info.plist
       "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict>\n"
       "\t<key>CFBundleShortVersionString</key>\n\t<string>${version}</string>\n</dict>\n</plist>\n")
endfunction()
framework(new 2.6.1)
framework(newer "2.10.0 Beta 1")
framework(old 2.6.0)
framework(older 1.27.3)
framework(garbled "unknown")
expect(ok "" -DCASE=version -DFRAMEWORK=${work}/new/Sparkle.framework)
expect(ok "" -DCASE=version -DFRAMEWORK=${work}/newer/Sparkle.framework)
expect(fails "is Sparkle 2.6.0; updates need Sparkle 2.6.1" -DCASE=version -DFRAMEWORK=${work}/old/Sparkle.framework)
expect(fails "is Sparkle 1.27.3" -DCASE=version -DFRAMEWORK=${work}/older/Sparkle.framework)
expect(fails "Couldn't read the version" -DCASE=version -DFRAMEWORK=${work}/garbled/Sparkle.framework)
expect(fails "has no Resources/Info.plist" -DCASE=version -DFRAMEWORK=${work}/missing/Sparkle.framework)
file(REMOVE_RECURSE ${work})

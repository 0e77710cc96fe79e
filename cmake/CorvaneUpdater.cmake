# What a build that embeds the update framework must have: a public key that can check the
# signature of every update, and a framework with the signature fix of Sparkle 2.6.1. A build that
# failed either would install whatever the feed offers, so configuring stops instead.

set(CORVANE_SPARKLE_MINIMUM_VERSION 2.6.1)

# corvane_check_update_key(KEY): KEY must be an Ed25519 public key in base64, 32 bytes: 43
# characters and "=", the last of them carrying the final 4 bits and two zero bits.
function(corvane_check_update_key key)
  if(key STREQUAL "")
    message(FATAL_ERROR "CORVANE_UPDATE_PUBLIC_KEY is empty. A build that embeds Sparkle "
                        "(CORVANE_SPARKLE_FRAMEWORK) needs the EdDSA public key that signs its updates: "
                        "Sparkle's generate_keys prints it (SUPublicEDKey).")
  endif()
  string(LENGTH "${key}" length)
  if(NOT length EQUAL 44 OR NOT key MATCHES "^[A-Za-z0-9+/]+[AEIMQUYcgkosw048]=$")
    message(FATAL_ERROR "CORVANE_UPDATE_PUBLIC_KEY is not an EdDSA public key: it must be the 44 characters "
                        "of 32 bytes in base64, as Sparkle's generate_keys prints it.")
  endif()
endfunction()

# corvane_check_sparkle_version(FRAMEWORK): the framework's CFBundleShortVersionString must be at
# least CORVANE_SPARKLE_MINIMUM_VERSION. Reads an XML Info.plist directly and a binary one with plutil.
function(corvane_check_sparkle_version framework)
  set(plist "")
  foreach(candidate Resources/Info.plist Versions/Current/Resources/Info.plist Versions/B/Resources/Info.plist
                    Versions/A/Resources/Info.plist)
    if(EXISTS ${framework}/${candidate})
      set(plist ${framework}/${candidate})
      break()
    endif()
  endforeach()
  if(plist STREQUAL "")
    message(FATAL_ERROR "CORVANE_SPARKLE_FRAMEWORK (${framework}) has no Resources/Info.plist: is it Sparkle.framework?")
  endif()
  file(READ ${plist} head LIMIT 6)
  if(head STREQUAL "bplist")
    find_program(CORVANE_PLUTIL plutil)
    if(NOT CORVANE_PLUTIL)
      message(FATAL_ERROR "${plist} is a binary property list and plutil is missing to read its version")
    endif()
    execute_process(COMMAND ${CORVANE_PLUTIL} -extract CFBundleShortVersionString raw -o - ${plist}
                    OUTPUT_VARIABLE version OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE failed)
    if(failed)
      set(version "")
    endif()
  else()
    file(READ ${plist} text)
    set(version "")
    if(text MATCHES "<key>CFBundleShortVersionString</key>[ \t\r\n]*<string>([^<]*)</string>")
      set(version "${CMAKE_MATCH_1}")
    endif()
  endif()
  if(NOT version MATCHES "^([0-9]+(\\.[0-9]+)*)")
    message(FATAL_ERROR "Couldn't read the version of ${framework} from ${plist}")
  endif()
  set(number "${CMAKE_MATCH_1}")
  if(number VERSION_LESS CORVANE_SPARKLE_MINIMUM_VERSION)
    message(FATAL_ERROR "${framework} is Sparkle ${version}; updates need Sparkle ${CORVANE_SPARKLE_MINIMUM_VERSION} "
                        "or later, whose signature checks can't be bypassed. Download a newer release.")
  endif()
endfunction()

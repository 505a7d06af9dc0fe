# Makes one introduction recording at build time: the welcome page's text, spoken by espeak-ng, converted by our
# own sound library into the dictation format (8000 Hz, mono, 16-bit PCM).
# Variables: TEXT_TOOL, SOUND_TOOL, ESPEAK, PAGE, OUTPUT, WORK (a folder for the intermediate files).
foreach(name TEXT_TOOL SOUND_TOOL ESPEAK PAGE OUTPUT WORK)
    if(NOT DEFINED ${name})
        message(FATAL_ERROR "MakeIntroRecording.cmake needs ${name}")
    endif()
endforeach()

# Tools built with the sanitizers must not fail the build over a leak report.
set(ENV{ASAN_OPTIONS} "detect_leaks=0")

file(MAKE_DIRECTORY "${WORK}")
set(text "${WORK}/Intro${PAGE}.txt")
set(speech "${WORK}/Intro${PAGE}-speech.wav")
set(converted "${WORK}/Intro${PAGE}.wav")

execute_process(COMMAND "${TEXT_TOOL}" "${PAGE}" "${text}" RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "cannot write the text of welcome page ${PAGE}")
endif()
execute_process(COMMAND "${ESPEAK}" -v en -s 165 -w "${speech}" -f "${text}" RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "espeak-ng could not speak welcome page ${PAGE}")
endif()
execute_process(COMMAND "${SOUND_TOOL}" convert "${speech}" "${converted}" --rate 8000 --channels 1 OUTPUT_QUIET
                RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "tallowin-sound could not convert the recording of welcome page ${PAGE}")
endif()
# Put in place whole, so an interrupted build never leaves half a recording beside the program.
file(RENAME "${converted}" "${OUTPUT}")

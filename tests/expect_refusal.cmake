# For the tests of what the build refuses (included by their scripts): a
# compile or configure that printed `error` and ended with `result` must
# have failed with a message matching `expected`, or succeeded where that is
# empty; `what` names the case.
function(hx_expect_refusal what expected result error)
    string(REGEX REPLACE "[ \n]+" " " error "${error}")
    if(expected STREQUAL "" AND NOT result EQUAL 0)
        message(SEND_ERROR "${what} was refused: ${error}")
    elseif(NOT expected STREQUAL "" AND (result EQUAL 0 OR NOT error MATCHES "${expected}"))
        message(SEND_ERROR "${what}: expected \"${expected}\", got: ${error}")
    endif()
endfunction()

" Vim syntax file
" Language:    Quorlin texture script
" Filenames:   *.tsc (and *.txt scripts, see ftdetect/quorlin.vim)

if exists('b:current_syntax')
  finish
endif

let s:cpo_save = &cpo
set cpo&vim

" Keywords and built-in names match in any letter case.
syntax case ignore

" Tokens are those of the compiler: a name is a letter followed by letters and
" digits (an underscore ends it), a number is a digit followed by digits and
" dots, and every other character stands alone. Everything is a match rather
" than a keyword so that a name which only starts like a keyword (Inputs, UV2)
" stays a plain name, and so that 3Input reads as a number and a keyword. Of
" two matches that start at the same column the one defined later wins, so the
" plain name comes first and the specific names after it.
syntax match quorlinIdentifier "[A-Za-z][A-Za-z0-9]*"

" Any name that starts with Mat is a matrix element: the digits right after
" Mat are row * 10 + column (none means 0) and whatever follows them is
" ignored, so Mat00 to Mat33 but also Mat, Matrix, Mat3 and Mat012. A row or
" column of 4 or more is an error.
syntax match quorlinMatrixError "Mat[A-Za-z0-9]*"
syntax match quorlinMatrix "Mat0*\%([1-3]\=[0-3]\)\=[0-9]\@![A-Za-z0-9]*"

syntax match quorlinBuiltin "\%(Time\|Elapsed\|LevelOffset[XYZ]\)[A-Za-z0-9]\@!"
syntax match quorlinFunction "\%(Sin\|Cos\|Tan\|SqrSin\|SqrCos\|DegToRad\)[A-Za-z0-9]\@!"
syntax match quorlinInputType "\%(CSNormal\|CSPos\|CSReflection\|WSNormal\|WSPos\|WSReflection\|UV\)[A-Za-z0-9]\@!"
syntax match quorlinOutputType "\%(TexCoord2\|TexCoord3Proj\|TexCoord3\|TexCoord4Proj\)[A-Za-z0-9]\@!"
syntax match quorlinHeader "\%(Input\|Output\)[A-Za-z0-9]\@!"
syntax match quorlinScript "\%(BeginScript\|EndScript\)[A-Za-z0-9]\@!"

syntax match quorlinNumber "[0-9][0-9.]*"
syntax match quorlinOperator "[-+*/%<>=]"
syntax match quorlinDelimiter "[;,()]"

" Any other character is a token the language has no use for.
syntax match quorlinError "[^\t\n\x0b\x0c\r A-Za-z0-9+*/%=,<>;()#-]"

" The parameter list: names, optionally separated by commas, up to the ';'.
" Keywords, numbers and symbols cannot be parameter names.
syntax match quorlinParam "[A-Za-z][A-Za-z0-9]*" contained
syntax match quorlinParamReserved "\%(UserParams\|Input\|Output\|BeginScript\|EndScript\|CSNormal\|CSPos\|CSReflection\|WSNormal\|WSPos\|WSReflection\|UV\|TexCoord2\|TexCoord3Proj\|TexCoord3\|TexCoord4Proj\)[A-Za-z0-9]\@!" contained
syntax match quorlinParamError "[0-9][0-9.]*\|[-+*/%=<>()]" contained
syntax match quorlinParamComma "," contained
syntax region quorlinParams
      \ matchgroup=quorlinHeader start="UserParams[A-Za-z0-9]\@!"
      \ matchgroup=quorlinDelimiter end=";"
      \ contains=quorlinComment,quorlinParam,quorlinParamReserved,quorlinParamError,quorlinParamComma,quorlinError

" Defined last: a '#' anywhere starts a comment to the end of the line.
syntax match quorlinComment "#.*$" contains=@Spell

" Scripts are short; highlighting from the start keeps the parameter list right.
syntax sync fromstart

highlight default link quorlinComment       Comment
highlight default link quorlinHeader        Keyword
highlight default link quorlinScript        Statement
highlight default link quorlinInputType     Constant
highlight default link quorlinOutputType    Constant
highlight default link quorlinBuiltin       Special
highlight default link quorlinMatrix        Identifier
highlight default link quorlinFunction      Function
highlight default link quorlinParam         Identifier
highlight default link quorlinParamComma    Delimiter
highlight default link quorlinNumber        Number
highlight default link quorlinOperator      Operator
highlight default link quorlinDelimiter     Delimiter
highlight default link quorlinError         Error
highlight default link quorlinMatrixError   Error
highlight default link quorlinParamReserved Error
highlight default link quorlinParamError    Error

let b:current_syntax = 'quorlin'

let &cpo = s:cpo_save
unlet s:cpo_save

" Checks the Vim syntax file against the TextMate grammar's test files: every
" scope asserted there maps to the syntax groups that must stand at the same
" columns here. Also checks file type detection. Run from the repository root:
"
"   vim -Nu NONE -i NONE -es -S editors/vim/test/run.vim
"
" Exits with status 0 when everything holds, 1 otherwise, listing each failure.

let s:root = fnamemodify(expand('<sfile>:p'), ':h:h:h:h')
let &runtimepath = s:root . '/editors/vim,' . &runtimepath
filetype on
syntax on

let s:failures = []
let s:checks = 0
let s:failed = 0

" TextMate scope -> syntax groups that may stand where the scope is asserted.
let s:groups = {
      \ 'comment.line.number-sign.quorlin': ['quorlinComment'],
      \ 'punctuation.definition.comment.quorlin': ['quorlinComment'],
      \ 'keyword.other.header.quorlin': ['quorlinHeader'],
      \ 'keyword.control.script.quorlin': ['quorlinScript'],
      \ 'constant.language.input.quorlin': ['quorlinInputType'],
      \ 'constant.language.output.quorlin': ['quorlinOutputType'],
      \ 'variable.language.builtin.quorlin': ['quorlinBuiltin'],
      \ 'variable.language.matrix.quorlin': ['quorlinMatrix'],
      \ 'invalid.illegal.matrix-index.quorlin': ['quorlinMatrixError'],
      \ 'support.function.builtin.quorlin': ['quorlinFunction'],
      \ 'variable.other.quorlin': ['quorlinIdentifier'],
      \ 'variable.parameter.quorlin': ['quorlinParam'],
      \ 'invalid.illegal.reserved-name.quorlin': ['quorlinParamReserved'],
      \ 'invalid.illegal.parameter-name.quorlin': ['quorlinParamError'],
      \ 'invalid.illegal.character.quorlin': ['quorlinError'],
      \ 'constant.numeric.quorlin': ['quorlinNumber'],
      \ 'keyword.operator.arithmetic.quorlin': ['quorlinOperator'],
      \ 'keyword.operator.bind.quorlin': ['quorlinOperator'],
      \ 'keyword.operator.min.quorlin': ['quorlinOperator'],
      \ 'keyword.operator.max.quorlin': ['quorlinOperator'],
      \ 'keyword.operator.assignment.quorlin': ['quorlinOperator'],
      \ 'punctuation.terminator.statement.quorlin': ['quorlinDelimiter'],
      \ 'punctuation.separator.comma.quorlin': ['quorlinDelimiter', 'quorlinParamComma'],
      \ 'punctuation.section.parens.begin.quorlin': ['quorlinDelimiter'],
      \ 'punctuation.section.parens.end.quorlin': ['quorlinDelimiter'],
      \ }
" Scopes that name a region rather than a token: the region's group, and the
" group of its end match, where Vim leaves the region itself out of the stack.
let s:regions = {'meta.header.userparams.quorlin': ['quorlinParams', 'quorlinDelimiter']}

function! s:Fail(message) abort
  call add(s:failures, a:message)
endfunction

" Whether the position holds what the scope asks for.
function! s:Holds(scope, lnum, col) abort
  let l:stack = map(synstack(a:lnum, a:col), 'synIDattr(v:val, "name")')
  if has_key(s:regions, a:scope)
    let [l:region, l:end] = s:regions[a:scope]
    return index(l:stack, l:region) >= 0 || (l:stack ==# [l:end] && s:EndsRegion(a:lnum, a:col, l:region))
  endif
  let l:name = synIDattr(synID(a:lnum, a:col, 0), 'name')
  return index(s:groups[a:scope], l:name) >= 0
endfunction

" Whether the character at the position is the end match of the region: the
" position before it, on this line or the end of an earlier one, is inside.
function! s:EndsRegion(lnum, col, region) abort
  let l:lnum = a:lnum
  let l:col = a:col - 1
  while l:col < 1 && l:lnum > 1
    let l:lnum -= 1
    let l:col = len(getline(l:lnum))
  endwhile
  return l:col >= 1 && index(map(synstack(l:lnum, l:col), 'synIDattr(v:val, "name")'), a:region) >= 0
endfunction

function! s:CheckAssertion(file, lnum, source, col, width, scopes) abort
  let l:parts = split(a:scopes, '\s\+-\s\+', 1)
  let l:wanted = split(l:parts[0])
  let l:unwanted = len(l:parts) > 1 ? split(l:parts[1]) : []
  for l:scope in l:wanted + l:unwanted
    if !has_key(s:groups, l:scope) && !has_key(s:regions, l:scope)
      let s:checks += 1
      let s:failed += 1
      call s:Fail(printf('%s:%d: no syntax group is mapped for %s', a:file, a:lnum, l:scope))
      return
    endif
  endfor
  for l:col in range(a:col, a:col + a:width - 1)
    let s:checks += 1
    let l:before = len(s:failures)
    let l:where = printf('%s:%d:%d %s', a:file, a:source, l:col,
          \ string(map(synstack(a:source, l:col), 'synIDattr(v:val, "name")'))
          \ . ' ' . synIDattr(synID(a:source, l:col, 0), 'name'))
    for l:scope in l:wanted
      if !s:Holds(l:scope, a:source, l:col)
        call s:Fail(printf('%s: expected %s', l:where, l:scope))
      endif
    endfor
    for l:scope in l:unwanted
      if s:Holds(l:scope, a:source, l:col)
        call s:Fail(printf('%s: unexpected %s', l:where, l:scope))
      endif
    endfor
    let s:failed += len(s:failures) > l:before
  endfor
endfunction

function! s:CheckGrammarTest(path) abort
  execute 'edit ' . fnameescape(a:path)
  let l:file = fnamemodify(a:path, ':t')
  if &filetype !=# 'quorlin'
    let s:checks += 1
    let s:failed += 1
    call s:Fail(l:file . ': file type is "' . &filetype . '", not quorlin')
    return
  endif
  let l:source = 0
  for l:lnum in range(1, line('$'))
    let l:text = getline(l:lnum)
    let l:caret = matchlist(l:text, '^#\( *\)\(\^\+\)\s\+\(.*\)$')
    let l:arrow = matchlist(l:text, '^#\s*<\(-\+\)\s\+\(.*\)$')
    if !empty(l:caret)
      call s:CheckAssertion(l:file, l:lnum, l:source, 2 + len(l:caret[1]), len(l:caret[2]), l:caret[3])
    elseif !empty(l:arrow)
      call s:CheckAssertion(l:file, l:lnum, l:source, 1, len(l:arrow[1]), l:arrow[2])
    else
      let l:source = l:lnum
    endif
  endfor
endfunction

function! s:CheckFileType(path, expected) abort
  execute 'edit ' . fnameescape(a:path)
  let s:checks += 1
  if &filetype !=# a:expected
    let s:failed += 1
    call s:Fail(printf('%s: file type is "%s", expected "%s"', a:path, &filetype, a:expected))
  endif
endfunction

for s:test in glob(s:root . '/editors/textmate/tests/*.tsc', 0, 1)
  call s:CheckGrammarTest(s:test)
endfor

" Example scripts are *.txt files that start with a comment, then UserParams.
for s:example in glob(s:root . '/examples/*.txt', 0, 1)
  call s:CheckFileType(s:example, 'quorlin')
endfor
" The texts every editor's detection is tested against: scripts get the
" quorlin type, other *.txt files keep the plain text type.
let s:detection = json_decode(join(readfile(s:root . '/editors/script-detection.json'), "\n"))
for [s:key, s:type] in [['scripts', 'quorlin'], ['others', 'text']]
  for s:lines in s:detection[s:key]
    let s:path = tempname() . '.txt'
    call writefile(s:lines, s:path)
    call s:CheckFileType(s:path, s:type)
    bwipeout!
    call delete(s:path)
  endfor
endfor

" A script saved with a byte-order mark is written back without it: the
" compiler reads the mark as a token.
function! s:CheckByteOrderMarkDropped() abort
  let s:checks += 1
  let l:script = tempname() . '.tsc'
  call writefile(["\xef\xbb\xbfUserParams Speed;", 'Input UV;'], l:script, 'b')
  execute 'edit ' . fnameescape(l:script)
  write
  let l:first = readfile(l:script, 'b', 1)[0]
  if &l:bomb || l:first !=# 'UserParams Speed;'
    let s:failed += 1
    call s:Fail(printf('byte-order mark: bomb=%d, first line written "%s"', &l:bomb, strtrans(l:first)))
  endif
  bwipeout!
  call delete(l:script)
endfunction
filetype plugin on
call s:CheckByteOrderMarkDropped()

let s:report = s:failures + [printf('vim syntax: %d passed, %d failed', s:checks - s:failed, s:failed)]
call writefile(s:report, '/dev/stdout', 'a')
if empty(s:failures)
  qall!
endif
cquit!

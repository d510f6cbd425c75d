" Quorlin texture scripts.
"
" *.tsc is taken by another file type in Vim's own table, so set the file type
" outright instead of with :setfiletype. Scripts kept as *.txt are recognised by
" their content: after any lines that are blank or hold only a comment, the
" first word is a section keyword (UserParams, Input, Output, BeginScript or
" EndScript, in any letter case), as the compiler reads it: a word is a letter,
" then letters and digits; white space is space, tab, VT, FF and CR. The same rule is
" VS Code's (editors/textmate/src/detect.js); editors/script-detection.json
" holds the texts each editor is tested against.
autocmd BufNewFile,BufRead *.tsc set filetype=quorlin
autocmd BufRead *.txt if s:StartsLikeQuorlinScript() | set filetype=quorlin | endif

function! s:StartsLikeQuorlinScript() abort
  for l:number in range(1, line('$'))
    let l:line = getline(l:number)
    if l:line !~# '^[ \t\x0b\x0c\r]*\%(#.*\)\=$'
      return l:line =~? '^[ \t\x0b\x0c\r]*\%(UserParams\|Input\|Output\|BeginScript\|EndScript\)\%([A-Za-z0-9]\)\@!'
    endif
  endfor
  return 0
endfunction
